#include "catalogue/StorageModel.h"

#include <QBrush>
#include <QColor>

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

void TStorageModel::SetSource(TQuery *query, int mode) {
  beginResetModel();
  m_query = query;
  m_mode = mode;
  m_columns = ModeColumns(mode);
  MapFields();
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
  m_resetting = false;
  endResetModel();
}

void TStorageModel::MapFields() {
  m_fieldIndex.clear();
  const bool open = m_query && m_query->Active();
  for (const TColumn &c : m_columns) m_fieldIndex << (open ? m_query->FieldIndex(c.Field) : -1);
  m_diffIndex = open ? m_query->FieldIndex(QStringLiteral("DIFF")) : -1;
  m_systemIndex = open ? m_query->FieldIndex(QStringLiteral("SYSTEMID")) : -1;
}

int TStorageModel::rowCount(const QModelIndex &parent) const {
  if (parent.isValid() || m_resetting || !m_query || !m_query->Active()) return 0;
  return m_query->RecordCount();
}

int TStorageModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : m_columns.size();
}

QVariant TStorageModel::Value(int row, const QString &field) const {
  if (!m_query || !m_query->Active() || row < 0 || row >= m_query->RecordCount()) return {};
  const int f = m_query->FieldIndex(field);
  return f < 0 ? QVariant() : m_query->Rows().at(row).at(f);
}

bool TStorageModel::IsCritical(int row) const {
  if (m_diffIndex < 0 || row < 0 || row >= rowCount()) return false;
  const QVariant diff = m_query->Rows().at(row).at(m_diffIndex);
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
  const int f = m_fieldIndex.value(column, -1);
  if (f < 0) return {};
  const QVariant v = m_query->Rows().at(row).at(f);
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
      const int system = m_systemIndex < 0 ? 0 : m_query->Rows().at(row).at(m_systemIndex).toInt();
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
          const int f = m_fieldIndex.value(index.column(), -1);
          const QVariant v = f < 0 ? QVariant() : m_query->Rows().at(index.row()).at(f);
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
