#pragma once
// Export for the accounting system: the chosen receipts summed per supplier, account, number
// and date (mode 0), or the value of a period's document lines summed per account, with the
// log of exported periods (mode 1). Both write fixed-width text files.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "core/Query.h"
#include "platform/Forms.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidgetItem;
class QTabWidget;
class QWidget;
class TQueryGrid;
struct TGridColumn;

// Registry key and value of the folder of the last exported file.
extern const QString ExportRegistryKey;    // "SOFTWARE\ORMAK Software\Torvane\Warehouse"
extern const QString ExportPathValue;      // "Default export path"

// The save dialog of the export files: its settings, then Execute asks the dialogs seam.
struct TExportSaveDialog {
  QString Title;
  QString DefaultExt;   // added to a chosen name without an extension
  QString Filter;       // "description|pattern"
  QString InitialDir;   // with a trailing separator, or empty
  QString FileName;     // in: the proposed name; out: the chosen path
  bool Execute(QWidget *parent);
};

// One line of each export file, without its line end.
QString InvoiceLine(const TQuery &row);
QString WriteOffLine(const QString &start, const QString &end, const TQuery &row);
// The lines as the file holds them: single-byte Baltic code page, each line ended by CR LF;
// a character that the code page lacks, and a control character, is written as '?'.
QByteArray ExportFileBytes(const QStringList &lines);

class TSCALAExpForm : public TForm {
  Q_OBJECT
 public:
  // mode 0: receipts; 1: write-off.
  TSCALAExpForm(QWidget *owner, uint8_t mode);
  ~TSCALAExpForm() override;

  QTabWidget *PC1;
  QWidget *TabSheet1;
  QWidget *TabSheet2;
  QLabel *Label1;
  QCheckBox *CheckBox1;
  TQueryGrid *DB1;
  QLabel *Label2;
  TQueryGrid *DB2;
  QLabel *Label3;
  QPushButton *ArchExport;
  QLabel *Label6;
  QLabel *Label4;
  QDateEdit *DT1;
  QLabel *Label5;
  QDateEdit *DT2;
  QPushButton *DoButt;
  QPushButton *BitBtn2;
  TExportSaveDialog SaveDlg;
  TQuery Q1;
  TQuery Q2;
  TQuery *DataSource1 = nullptr;  // the list of the mode

  uint8_t Mode() const { return m_mode; }
  const QStringList &ExportList() const { return m_exportList; }

  void RefreshList();
  void FormShow();
  void CheckBox1Click();
  void DoButtClick();
  void ArchExportClick();
  // Sums the document lines of the period per account; appends one write-off line per account
  // to the list and adds each account's sum to the total.
  void BuildWriteOffLines(const QString &start, const QString &end, QStringList &lines,
                          double &total);
  // Exported receipts are drawn light red, and a darker red while selected.
  void DB1DrawColumnCell(const TGridColumn &column, QTableWidgetItem *item);

 protected:
  void showEvent(QShowEvent *event) override;
  void FormClose() override;
  // An export that failed to write keeps the window open.
  bool CloseQuery(int result) override;

 private:
  void InvoiceExport();
  void WriteOffExport();
  // Opens the export key, proposes the folder it remembers and a stamped file name; true when
  // the user chose a file (SaveDlg.FileName).
  bool ChooseFile(const QString &prefix);
  // Writes the lines and runs the database writes as one action: the statements inside one
  // transaction that is committed only once the file is on disk; on any failure nothing stays
  // written (neither the rows nor the file) and the action's message is shown. When the answer
  // to the COMMIT is lost the file stays and the user is told that it is not known whether the
  // export was recorded. Remembers the folder and returns true when everything was written.
  bool WriteExport(const QStringList &lines, const QStringList &statements,
                   const QString &failedMessage);
  // Keeps the folder of the export file in the registry for the next export.
  void RememberFolder(const QString &fileName);
  QList<int> SelectedRecords(const TQueryGrid *grid) const;

  uint8_t m_mode;
  QStringList m_exportList;
  bool m_keepOpen = false;
};
