#pragma once
// The PDF file itself: numbers, strings and names in PDF syntax, compressed streams, and the
// file's objects with their cross-reference table, written out as they are made.
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

class QImage;
class QSaveFile;

namespace pdf {

// The largest coordinate a page's content holds: readers need not take larger numbers, and
// nothing of a page lies that far from it.
constexpr double MaxCoordinate = 32767;

// A number with at most three decimals and a blank after it; what is not finite is written
// as 0, what is larger than MaxCoordinate as MaxCoordinate.
void Num(QByteArray &out, double v);
void Int(QByteArray &out, long long v);
// Four hexadecimal digits.
void Hex4(QByteArray &out, unsigned v);
// A zlib stream for /FlateDecode.
QByteArray Deflate(const QByteArray &data);
// A text string in UTF-16 (<FEFF...>).
QByteArray TextString(QStringView text);
// The letters and digits of a text, as a name (never empty).
QByteArray Name(const QString &text);
// The text as a reader gives it back: each lone surrogate, which UTF-16 cannot carry,
// becomes the replacement character.
QString Extractable(QStringView text);

class TFile {
 public:
  explicit TFile(QSaveFile &file) : m_file(file) {}

  // The number of a new object, written later.
  int Reserve();
  void Object(int number, const QByteArray &body);
  void Stream(int number, const QByteArray &dictionary, const QByteArray &data);
  void Start();
  // The cross-reference table and the trailer; false when a write failed.
  bool Finish(int catalog, int info);

 private:
  void Begin(int number);
  void Flush(bool all = false);

  QSaveFile &m_file;
  QByteArray m_buffer;
  qint64 m_written = 0;
  std::vector<qint64> m_offsets;
  bool m_ok = true;
};

// A picture as an image object (with a soft mask when it has an alpha channel).
void WriteImage(TFile &pdf, int number, const QImage &picture);

}  // namespace pdf
