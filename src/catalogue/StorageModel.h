#pragma once
// The main window's grid model: the rows of a catalogue query (catalogue mode or stock mode)
// with the columns, titles, display formats and critical-quantity colouring of the browser.
#include <QAbstractTableModel>
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

  explicit TStorageModel(QObject *parent = nullptr);

  // The shown columns of a mode (0 catalogue, 1 stock).
  static QVector<TColumn> ModeColumns(int mode);
  // Shows the rows of the query with the columns of the mode.
  void SetSource(TQuery *query, int mode);
  TQuery *Source() const { return m_query; }
  int Mode() const { return m_mode; }
  const QVector<TColumn> &Columns() const { return m_columns; }
  // Brackets a re-run of the source query.
  void BeginRefresh();
  void EndRefresh();

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
  void MapFields();
  TQuery *m_query = nullptr;
  int m_mode = 0;
  QVector<TColumn> m_columns;
  QVector<int> m_fieldIndex;  // per column, -1 when the query has no such field
  int m_diffIndex = -1;
  int m_systemIndex = -1;
  bool m_resetting = false;
};
