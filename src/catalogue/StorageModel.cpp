#include "catalogue/StorageModel.h"

#include <QBrush>
#include <QColor>
#include <QHash>
#include <algorithm>

#include "core/ColorList.h"
#include "core/DataLists.h"
#include "core/Query.h"
#include "platform/SysUtils.h"

TStorageModel::TStorageModel(QObject *parent) : QAbstractTableModel(parent) {}

QVector<TStorageModel::TColumn> TStorageModel::ModeColumns(int mode) {
  using D = TDisplay;
  if (mode == 1)
    return {{QStringLiteral("NAME"), QStringLiteral("Артикул"), 23, D::Plain},
            {QStringLiteral("COLOR"), QStringLiteral("Цвет"), 20, D::Colour},
            {QStringLiteral("COMMENTS"), QStringLiteral("Примечания"), 34, D::Plain},
            {QStringLiteral("QUANTITY"), QStringLiteral("Кол-во"), 0, D::Quantity},
            {QStringLiteral("MEASURE"), QStringLiteral("Ед.изм."), 5, D::Measure},
            {QStringLiteral("PRICE"), QStringLiteral("Цена"), 0, D::PriceEUR},
            {QStringLiteral("SUPPLIER"), QStringLiteral("Поставщик"), 14, D::Supplier}};
  return {{QStringLiteral("NAME"), QStringLiteral("Артикул"), 15, D::Plain},
          {QStringLiteral("COMMENTS"), QStringLiteral("Примеч."), 27, D::Plain},
          {QStringLiteral("QUANTITY"), QStringLiteral("Кол-во"), 8, D::Quantity},
          {QStringLiteral("PRICE0"), QStringLiteral("Цена"), 10, D::Price4},
          {QStringLiteral("CURRENCY"), QStringLiteral("Вал."), 5, D::Currency},
          {QStringLiteral("MEASURE"), QStringLiteral("Ед.изм."), 6, D::Measure},
          {QStringLiteral("DISCOUNTGROUP"), QStringLiteral("Скидка"), 7, D::Discount},
          {QStringLiteral("PACKUNITSIZE"), QStringLiteral("Един.скл."), 9, D::Plain},
          {QStringLiteral("SMALLPACK"), QStringLiteral("Мал.упак"), 7, D::Centred},
          {QStringLiteral("SUPPLIER"), QStringLiteral("Поставщик"), 18, D::Supplier},
          {QStringLiteral("BIGPACK"), QStringLiteral("Больш.упак."), 8, D::Centred},
          {QStringLiteral("PRICE1"), QStringLiteral("Cena#1"), 0, D::Plain},
          {QStringLiteral("PRICE2"), QStringLiteral("Cena#2"), 0, D::Plain},
          {QStringLiteral("PRICE3"), QStringLiteral("Cena#3"), 0, D::Plain},
          {QStringLiteral("PRICE4"), QStringLiteral("Cena#4"), 0, D::Plain},
          {QStringLiteral("SIZE"), QStringLiteral("Размер 1"), 0, D::Plain}};
}

void TStorageModel::SetSource(TQuery *query, int mode, const TDetail &detail) {
  beginResetModel();
  m_query = query;
  m_mode = mode;
  m_detail = detail;
  m_columns = ModeColumns(mode);
  m_rows.clear();
  m_blockTried.clear();
  m_rowFields.clear();
  MapFields();
  ChooseShownRows();
  endResetModel();
}

void TStorageModel::BeginRefresh() {
  if (m_resetting) return;
  m_resetting = true;
  beginResetModel();
}

void TStorageModel::EndRefresh() {
  if (!m_resetting) return;
  MapFields();
  ChooseShownRows();
  m_resetting = false;
  endResetModel();
}

void TStorageModel::ChooseShownRows() {
  m_shown.clear();
  if (m_detail.Distinct.isEmpty() || !m_query || !m_query->Active()) return;
  QVector<int> fields;
  for (const QString &f : m_detail.Distinct) {
    const int i = m_query->FieldIndex(f);
    if (i < 0) return;
    fields << i;
  }
  const auto &rows = m_query->Rows();
  m_shown.reserve(rows.size());
  const auto same = [&](int a, int b) {
    for (int f : fields)
      if (rows.at(a).at(f) != rows.at(b).at(f)) return false;
    return true;
  };
  for (int r = 0; r < rows.size(); ++r)
    if (m_shown.isEmpty() || !same(m_shown.last(), r)) m_shown << r;
  // every row shown: no map needed
  if (m_shown.size() == rows.size()) m_shown.clear();
  else m_shown.squeeze();
}

int TStorageModel::ShownCount() const {
  if (!m_query || !m_query->Active()) return 0;
  return m_shown.isEmpty() ? m_query->RecordCount() : int(m_shown.size());
}

void TStorageModel::ForgetRows() {
  m_rows.clear();
  m_blockTried.clear();
}

void TStorageModel::MapFields() const {
  m_fieldIndex.clear();
  if (!Detailed()) {
    m_rowFields.clear();
    if (m_query && m_query->Active()) m_rowFields = m_query->FieldNames();
  }
  for (const TColumn &c : m_columns) m_fieldIndex << RowField(c.Field);
  m_diffIndex = RowField(QStringLiteral("DIFF"));
  m_systemIndex = RowField(QStringLiteral("SYSTEMID"));
}

int TStorageModel::RowField(const QString &field) const {
  for (int i = 0; i < m_rowFields.size(); ++i)
    if (m_rowFields[i].compare(field, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

const QVector<QVariant> *TStorageModel::Row(int row) const {
  const int count = ShownCount();
  if (row < 0 || row >= count) return nullptr;
  if (!Detailed()) return &m_query->Rows().at(SourceRow(row));
  if (m_rows.size() != count) {
    m_rows = QVector<QVector<QVariant>>(count);
    m_blockTried = QVector<bool>((count + BlockRows - 1) / BlockRows, false);
  }
  if (m_rows.at(row).isEmpty() && !m_blockTried.at(row / BlockRows)) ReadBlock(row / BlockRows);
  return m_rows.at(row).isEmpty() ? nullptr : &m_rows.at(row);
}

void TStorageModel::ReadBlock(int block) const {
  m_blockTried[block] = true;
  const int key = m_query->FieldIndex(m_detail.Key);
  if (key < 0) return;
  const int first = block * BlockRows, last = std::min(first + BlockRows, ShownCount());
  QHash<qint64, int> rowOfKey;
  QStringList keys;
  for (int r = first; r < last; ++r) {
    const QVariant k = m_query->Rows().at(SourceRow(r)).at(key);
    if (k.isNull()) continue;
    rowOfKey.insert(k.toLongLong(), r);
    keys << QString::number(k.toLongLong());
  }
  if (keys.isEmpty()) return;
  TQuery q;
  q.SQL = m_detail.Select + QStringLiteral(" where ") + m_detail.KeyColumn + QStringLiteral(" in (") +
          keys.join(QLatin1Char(',')) + QStringLiteral(") ") + m_detail.GroupBy;
  try {
    q.Open();
  } catch (const std::exception &) {
    // Shown empty until the next refresh: a grid being painted has no one to tell.
    return;
  }
  if (m_rowFields != q.FieldNames()) {
    m_rowFields = q.FieldNames();
    MapFields();
  }
  const int detailKey = q.FieldIndex(m_detail.Key);
  if (detailKey < 0) return;
  for (const QVector<QVariant> &row : q.Rows()) {
    const auto at = rowOfKey.constFind(row.at(detailKey).toLongLong());
    if (at != rowOfKey.constEnd()) m_rows[at.value()] = row;
  }
}

int TStorageModel::rowCount(const QModelIndex &parent) const {
  if (parent.isValid() || m_resetting) return 0;
  return ShownCount();
}

int TStorageModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : m_columns.size();
}

QVariant TStorageModel::Value(int row, const QString &field) const {
  if (row < 0 || row >= ShownCount()) return {};
  // the source's own fields need no reading of the full row
  const int own = m_query->FieldIndex(field);
  if (own >= 0) return m_query->Rows().at(SourceRow(row)).at(own);
  const QVector<QVariant> *r = Row(row);
  const int f = RowField(field);
  return r && f >= 0 ? r->at(f) : QVariant();
}

bool TStorageModel::IsCritical(int row) const {
  if (row < 0 || row >= rowCount()) return false;
  const QVector<QVariant> *r = Row(row);
  if (!r || m_diffIndex < 0) return false;
  const QVariant diff = r->at(m_diffIndex);
  return !diff.isNull() && Round(diff.toDouble()) < 0;
}

namespace {

QString GeneralText(const QVariant &v) {
  if (v.isNull()) return QString();
  switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
      return FloatToStr(v.toDouble());
    default:
      return v.toString();
  }
}

}  // namespace

QString TStorageModel::DisplayText(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= m_columns.size()) return {};
  const QVector<QVariant> *r = Row(row);
  const int f = m_fieldIndex.value(column, -1);
  if (!r || f < 0) return {};
  const QVariant v = r->at(f);
  const bool empty = v.isNull() || v.toString().isEmpty();
  switch (m_columns[column].Display) {
    case TDisplay::Plain:
    case TDisplay::Quantity:
    case TDisplay::Centred:
      return GeneralText(v);
    case TDisplay::Price4:
      return empty ? QString() : FormatFloat(QStringLiteral("0.0000"), v.toDouble());
    case TDisplay::PriceEUR:
      return empty ? QString() : FormatFloat(QStringLiteral("0.00 EUR"), v.toDouble());
    case TDisplay::Currency:
      return empty ? QString() : CurrencyNames.ByID(v.toInt());
    case TDisplay::Measure:
      return empty ? QString() : MeasureNames.ByID(v.toInt());
    case TDisplay::Discount: {
      if (empty) return {};
      const QString value = DiscountValues.ByID(v.toInt());
      return value.isEmpty() ? QString() : value + QLatin1Char('%');
    }
    case TDisplay::Supplier: {
      if (empty || !SupplierList) return {};
      TIDRec rec;
      SupplierList->GetByID(v.toInt(), rec);
      return rec.Name;
    }
    case TDisplay::Colour: {
      if (empty || !Colors) return {};
      TColorRec rec;
      const int system = m_systemIndex < 0 ? 0 : r->at(m_systemIndex).toInt();
      Colors->GetColorRec(v.toInt(), system, rec);
      return rec.Caption;
    }
  }
  return {};
}

QVariant TStorageModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid()) return {};
  const TColumn &col = m_columns.at(index.column());
  switch (role) {
    case Qt::DisplayRole:
      return DisplayText(index.row(), index.column());
    case Qt::TextAlignmentRole:
      switch (col.Display) {
        case TDisplay::Measure:
        case TDisplay::Discount:
        case TDisplay::Centred:
          return int(Qt::AlignCenter);
        case TDisplay::Currency:
        case TDisplay::Supplier:
        case TDisplay::Colour:
          return int(Qt::AlignLeft | Qt::AlignVCenter);
        default: {
          // numbers right, texts left, as a data grid shows its fields
          const QVector<QVariant> *r = Row(index.row());
          const int f = m_fieldIndex.value(index.column(), -1);
          const QVariant v = !r || f < 0 ? QVariant() : r->at(f);
          const int t = v.typeId();
          const bool numeric = t == QMetaType::Double || t == QMetaType::Int ||
                               t == QMetaType::LongLong || t == QMetaType::UInt ||
                               t == QMetaType::ULongLong || t == QMetaType::Float;
          return int((numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
      }
    case Qt::ForegroundRole:
      if (col.Display == TDisplay::Quantity && IsCritical(index.row())) return QBrush(Qt::red);
      return {};
    default:
      return {};
  }
}

QVariant TStorageModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= m_columns.size()) return {};
  return m_columns[section].Title;
}
