#pragma once
// The main window's grid model: the rows of a catalogue query (catalogue mode or stock mode)
// with the columns, titles, display formats and critical-quantity colouring of the browser.
#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

class TQuery;

class TStorageModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum class TDisplay {
    Plain,         // the field's own text (numbers in their general form)
    Quantity,      // general form; red when the row's DIFF, rounded, is below 0
    Price4,        // "0.0000"
    PriceEUR,      // "0.00 EUR"
    Currency,      // currency name
    Measure,       // measure name, centred
    Discount,      // discount value + "%", centred
    Centred,       // general form, centred
    Supplier,      // supplier name
    Colour         // colour caption of the code for the row's profile system
  };
  struct TColumn {
    QString Field;
    QString Title;
    int WidthChars;  // 0: the field's default
    TDisplay Display;
  };

  // How the full rows of a source that holds only the rows' keys are read: Select and
  // GroupBy around " where <KeyColumn> in (...)". Key is the key's field in the source and in
  // the full rows. An empty Select: the source holds every field itself. With Distinct, a
  // source row whose Distinct fields equal those of the row shown before it is not shown (the
  // source orders such rows next to each other, the one to show first).
  struct TDetail {
    QString Select;
    QString GroupBy;
    QString KeyColumn;
    QString Key;
    QStringList Distinct;
  };

  explicit TStorageModel(QObject *parent = nullptr);

  // The shown columns of a mode (0 catalogue, 1 stock).
  static QVector<TColumn> ModeColumns(int mode);
  // Shows the rows of the query with the columns of the mode; with a detail, the query gives
  // the rows and their order and the other fields are read a block of rows at a time, when a
  // row is first shown or asked for.
  void SetSource(TQuery *query, int mode, const TDetail &detail = {});
  TQuery *Source() const { return m_query; }
  int Mode() const { return m_mode; }
  const QVector<TColumn> &Columns() const { return m_columns; }
  // Brackets a re-run of the source query.
  void BeginRefresh();
  void EndRefresh();
  // Drops the full rows read so far: the source was re-run. A re-run that failed keeps its
  // old rows, and then the rows read for them stay too.
  void ForgetRows();

  // A field of a row by name (a null value when the field or row is missing).
  QVariant Value(int row, const QString &field) const;
  // Whether a row's quantity is drawn as critical.
  bool IsCritical(int row) const;
  // The text a cell shows.
  QString DisplayText(int row, int column) const;

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  static constexpr int BlockRows = 200;
  void MapFields() const;
  // The shown rows of the source (all of them unless the detail names Distinct fields).
  void ChooseShownRows();
  int SourceRow(int row) const { return m_shown.isEmpty() ? row : m_shown.at(row); }
  int ShownCount() const;
  // The full row (nullptr when it cannot be read) and the index of a field in it.
  const QVector<QVariant> *Row(int row) const;
  int RowField(const QString &field) const;
  bool Detailed() const { return !m_detail.Select.isEmpty(); }
  void ReadBlock(int block) const;
  TQuery *m_query = nullptr;
  int m_mode = 0;
  TDetail m_detail;
  QVector<TColumn> m_columns;
  // The full rows read so far (empty: not read), the blocks tried, the fields of the rows.
  mutable QVector<QVector<QVariant>> m_rows;
  mutable QVector<bool> m_blockTried;
  mutable QStringList m_rowFields;
  mutable QVector<int> m_fieldIndex;  // per column, -1 when the rows have no such field
  mutable int m_diffIndex = -1;
  mutable int m_systemIndex = -1;
  // Source rows shown, in order, when some are left out; empty when every row is shown.
  QVector<int> m_shown;
  bool m_resetting = false;
};
