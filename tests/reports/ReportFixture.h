#pragma once
// Reports on a fresh database: the colour list and the supplier list of the program, the
// clock fixed, and every preview taken as its laid-out pages instead of a window.
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <vector>

#include "platform/report/ReportModel.h"
#include "platform/report/ReportPreview.h"
#include "support/TestDatabase.h"

class ReportTest : public DbTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The colours of profile system 0: group 0 "Krāsas" (Balts, Ozols, Орех), group 1 "Lazūra"
  // (Tīkkoks); codes by MakeColorCode(0, group, colour, 0).
  void LoadColors();
  // Reloads the supplier list from the database.
  void LoadSuppliers();

  struct Line {
    int CatId;
    int Color;
    double Qty;
    double Price;
  };
  // A document of any kind with its lines, as a report reads it (the stock ledger is not
  // touched: the report tests do not check it).
  int Doc(int kind, const QDate &date, const QString &num, const QString &ordLink, int supplier,
          const QVector<Line> &lines, const QDateTime &lastUpdate = QDateTime());
  int Supplier(const QString &name, const QString &address = QString(),
               const QString &phones = QString());
  int Measure(const QString &name);
  int Material(const QString &name, const QString &comments, int supplier, int measure,
               int group = 0, int systemId = 0);

  // The pages of every report previewed so far.
  std::vector<TReportModel> Previews;
  const TReportModel &Last() const { return Previews.back(); }

  // The text of a PDF of the model (pdftotext -layout).
  static QString PdfText(const TReportModel &model);

 private:
  TPreviewHandler m_oldHandler;
};

// Texts of a model with the page footer's lines left out.
QStringList BodyTexts(const TReportModel &model);

void PrintTo(const QString &s, std::ostream *os);
