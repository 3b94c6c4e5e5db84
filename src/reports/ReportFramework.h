#pragma once
// What every printed report of the program shares: its queries on the data module's
// connection, the paper, the title and page-footer layout, the logo, the filter rule and the
// colour and supplier captions. A report is created by its caller with its own arguments,
// shown with Preview() and freed when Preview() returns.
#include <QHash>
#include <QString>
#include <QVariantList>
#include <QVector>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "core/Query.h"
#include "platform/report/QuickRpt.h"

// A query of a report, walked by the report engine.
//
// A sub-detail's rows are read once for the whole report, not once per row of its master:
// OpenGroups() reads every row and indexes them by key fields, and the master's handler then
// chooses the rows of its own key with SelectGroup(). The engine walks only those, in the
// order the SQL gave them, and FieldByName() reads the current one.
class TReportQuery : public TQuery, public TReportDataSet {
 public:
  // While the rows of a large result come over, the progress dialog of the report run keeps
  // answering (TReportRun::Poll).
  explicit TReportQuery(const QString &name);
  // Runs SQL and stores its rows. In a report run that the user has cancelled, nothing more
  // is sent: the query stays closed (the report is not shown).
  void Open();
  // Closes, sets the SQL text and opens.
  void Reopen(const QString &sql);
  // Closes, sets the SQL text, opens and indexes the rows by the values of the key fields.
  void OpenGroups(const QString &sql, const QStringList &keyFields);
  // From now on the rows of this key only (none when no row has it).
  void SelectGroup(const QVariantList &key);
  // Rows of the selected key.
  int GroupSize() const { return m_grouped ? int(m_group.size()) : RecordCount(); }

  QString DataSetName() const override { return m_name; }
  void MoveFirst() override;
  void MoveNext() override;
  bool AtEnd() const override;
  QVariant FieldValue(const QString &field) const override;
  int RowCount() const override { return GroupSize(); }
  // The current row's field, as FieldByName gives it; the field's index is found once per
  // name while the query keeps its fields (elements and handlers read the same fields on
  // every row).
  TField Field(const QString &name) const;

 private:
  static QString KeyText(const QVariantList &key);
  // The index of the field of that name (less than 0: none).
  int KnownIndex(const QString &name) const;
  mutable QStringList m_knownFields;  // the fields the indexes below were found in
  mutable std::vector<std::pair<QString, int>> m_known;
  QString m_name;
  bool m_grouped = false;
  QHash<QString, QVector<int>> m_groups;  // key -> row indexes in the SQL's order
  QVector<int> m_group;                   // the selected key's rows
  int m_groupPos = 0;
};

// A filter text of the report filter counts only with at least 4 characters.
inline bool FilterGiven(const QString &filter) { return filter.length() >= 4; }

// The caption of a colour code for a material of the given profile system ("" without a
// colour list or for an unknown colour).
QString ColorCaption(int code, int systemId);
// The name of a supplier from the supplier list ("" for an unknown ID or no list).
QString SupplierName(int supplierId);
// The "LOGO" bitmap of the program's resources.
QImage LogoPicture();

// The paper of the reports: A4 portrait or landscape.
void SetPortrait(TQuickRep &report);
void SetLandscape(TQuickRep &report);

class TWarehouseReport : public TQuickRep {
 public:
  explicit TWarehouseReport(QWidget *owner);
  // Closes every query of the report.
  ~TWarehouseReport() override;

 protected:
  // A query owned by the report.
  TReportQuery *AddQuery(const QString &name);
  // The title band's report title: bold, 19 pixels high.
  TQRLabel *AddTitleLabel(TQRBand *title, double left, double top, const QString &caption);
  // The filter title, right-aligned at the band's right edge; "Visi" until the caller sets it.
  TQRLabel *AddInfoLabel(TQRBand *title, double top);
  // The logo, stretched to its box.
  TQRImage *AddLogo(TQRBand *band, double left, double top, double width, double height);
  // The page footer: date (or date and time) after "Printed ", page number after "Page ".
  TQRBand *AddPageFooter(bool withTime);

 public:
  TQRLabel *AddInfo = nullptr;

 private:
  std::deque<std::unique_ptr<TReportQuery>> m_queries;
};
