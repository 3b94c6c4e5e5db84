#include "reports/ReportFramework.h"

#include <QImage>

#include "core/ColorList.h"
#include "core/DataLists.h"
#include "platform/report/ReportProgress.h"

// The resources of the report units (the logo); a static library must register them itself.
static void InitReportResources() { Q_INIT_RESOURCE(reports); }

TReportQuery::TReportQuery(const QString &name) : m_name(name) { OnFetch = [] { TReportRun::Poll(); }; }

void TReportQuery::Open() {
  // A Cancel pressed while the last statement ran is taken now.
  TReportRun::Poll();
  if (const TReportRun *run = TReportRun::Current(); run && run->Cancelled()) {
    Close();
    return;
  }
  TQuery::Open();
}

void TReportQuery::Reopen(const QString &sql) {
  Close();
  m_grouped = false;
  m_groups.clear();
  m_group.clear();
  SQL = sql;
  Open();
}

QString TReportQuery::KeyText(const QVariantList &key) {
  QString text;
  for (const QVariant &v : key) {
    text += v.isNull() ? QStringLiteral("\x01") : v.toString();
    text += QChar(0x1f);
  }
  return text;
}

void TReportQuery::OpenGroups(const QString &sql, const QStringList &keyFields) {
  Reopen(sql);
  m_grouped = true;
  m_group.clear();
  m_groupPos = 0;
  if (!Active()) return;  // a cancelled run
  QVector<int> columns;
  for (const QString &f : keyFields) {
    const int i = FieldIndex(f);
    if (i < 0) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(f));
    columns << i;
  }
  const auto &rows = Rows();
  QVariantList key;
  for (int r = 0; r < rows.size(); ++r) {
    if (r % FetchStep == FetchStep - 1) TReportRun::Poll();
    key.clear();
    for (int c : columns) key << rows[r][c];
    m_groups[KeyText(key)] << r;
  }
}

void TReportQuery::SelectGroup(const QVariantList &key) {
  m_group = m_groups.value(KeyText(key));
  m_groupPos = 0;
  if (!m_group.isEmpty()) SetRecNo(m_group.first() + 1);
}

void TReportQuery::MoveFirst() {
  if (m_grouped) {
    m_groupPos = 0;
    if (!m_group.isEmpty()) SetRecNo(m_group.first() + 1);
    return;
  }
  if (Active()) First();
}

void TReportQuery::MoveNext() {
  if (m_grouped) {
    if (++m_groupPos < m_group.size()) SetRecNo(m_group[m_groupPos] + 1);
    return;
  }
  if (Active()) Next();
}

bool TReportQuery::AtEnd() const {
  if (m_grouped) return !Active() || m_groupPos >= m_group.size();
  return !Active() || Eof();
}

int TReportQuery::KnownIndex(const QString &name) const {
  const QStringList &fields = FieldNames();
  if (fields.isEmpty()) return -1;
  // A query opened again may have other fields: its list is a new one then (the kept copy
  // shares the old one, which no one can change in place).
  if (fields.constData() != m_knownFields.constData() || fields.size() != m_knownFields.size()) {
    m_knownFields = fields;
    m_known.clear();
  }
  for (const auto &[known, index] : m_known)
    if (known.constData() == name.constData() && known.size() == name.size()) return index;
  for (const auto &[known, index] : m_known)
    if (known == name) return index;
  const int index = FieldIndex(name);
  if (index >= 0) m_known.emplace_back(name, index);
  return index;
}

TField TReportQuery::Field(const QString &name) const {
  const int index = KnownIndex(name);
  return index < 0 ? FieldByName(name) : Fields(index);
}

QVariant TReportQuery::FieldValue(const QString &field) const {
  const int index = KnownIndex(field);
  if (index < 0) return FieldByName(field).Value();
  const auto &rows = Rows();
  if (rows.isEmpty()) return QVariant();
  // Past the end the cursor stays on the last row, as FieldByName reads it.
  return rows[std::min(RecNo() - 1, int(rows.size()) - 1)][index];
}

QString ColorCaption(int code, int systemId) {
  if (!Colors) return QString();
  TColorRec rec;
  Colors->GetColorRec(code, systemId, rec);
  return rec.Caption;
}

QString SupplierName(int supplierId) {
  if (!SupplierList) return QString();
  TIDRec rec;
  SupplierList->GetByID(supplierId, rec);
  return rec.Name;
}

QImage LogoPicture() {
  static const QImage logo = [] {
    InitReportResources();
    return QImage(QStringLiteral(":/LOGO"));
  }();
  return logo;
}

namespace {
// Where the filter title may start: right of the logo of the title band.
constexpr double InfoLeft = 170;
}  // namespace

void SetPortrait(TQuickRep &report) { report.Page.SetValues({70, 2970, 70, 2100, 130, 70, 0}); }

void SetLandscape(TQuickRep &report) { report.Page.SetValues({70, 2100, 70, 2970, 130, 70, 0}); }

TWarehouseReport::TWarehouseReport(QWidget *owner) : TQuickRep(owner) { SetPortrait(*this); }

TWarehouseReport::~TWarehouseReport() {
  for (auto &q : m_queries) q->Close();
}

TReportQuery *TWarehouseReport::AddQuery(const QString &name) {
  m_queries.push_back(std::make_unique<TReportQuery>(name));
  return m_queries.back().get();
}

TQRLabel *TWarehouseReport::AddTitleLabel(TQRBand *title, double left, double top,
                                          const QString &caption) {
  TQRLabel *l = title->AddLabel(QStringLiteral("QRLabel1"), left, top, caption);
  l->Font = ReportFont(19, true);
  return l;
}

TQRLabel *TWarehouseReport::AddInfoLabel(TQRBand *title, double top) {
  // Right of the logo: a long list of chosen groups breaks into lines instead of running
  // over the logo and past the left margin.
  AddInfo = title->AddLabel(QStringLiteral("AddInfo"), InfoLeft, top, QStringLiteral("Visi"));
  AddInfo->Width = BandWidth() - InfoLeft;
  AddInfo->WordWrap = true;
  AddInfo->Alignment = taRightJustify;
  return AddInfo;
}

TQRImage *TWarehouseReport::AddLogo(TQRBand *band, double left, double top, double width,
                                    double height) {
  TQRImage *image = band->AddImage(QStringLiteral("QRImage1"), left, top, width, height);
  image->Stretch = true;
  // The bitmap goes through a temporary copy into the picture, as every report loads it.
  QImage temporary = LogoPicture();
  image->Picture = temporary;
  return image;
}

TQRBand *TWarehouseReport::AddPageFooter(bool withTime) {
  TQRBand *footer = AddBand(rbPageFooter, QStringLiteral("PageFooterBand1"), 22);
  TQRSysData *date = footer->AddSysData(QStringLiteral("QRSysData1"), 0, 4,
                                        withTime ? qrsDateTime : qrsDate, QStringLiteral("Printed "));
  date->Font = ReportFont(11);
  TQRSysData *page = footer->AddSysData(QStringLiteral("QRSysData2"), 0, 4, qrsPageNumber,
                                        QStringLiteral("Page "));
  page->Font = ReportFont(11);
  page->AlignToBand = true;
  page->Alignment = taRightJustify;
  return footer;
}
