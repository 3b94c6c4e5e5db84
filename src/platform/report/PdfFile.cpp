#include "platform/report/PdfFile.h"

#include <QImage>
#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace pdf {

void Num(QByteArray &out, double v) {
  if (!std::isfinite(v) || std::abs(v) < 0.0005) v = 0;
  v = std::clamp(v, -MaxCoordinate, MaxCoordinate);
  char buf[48];
  char *end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3).ptr;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  out.append(buf, end - buf);
  out.append(' ');
}

void Int(QByteArray &out, long long v) {
  char buf[24];
  char *end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  out.append(buf, end - buf);
}

void Hex4(QByteArray &out, unsigned v) {
  static const char digits[] = "0123456789ABCDEF";
  const char h[4] = {digits[(v >> 12) & 15], digits[(v >> 8) & 15], digits[(v >> 4) & 15],
                     digits[v & 15]};
  out.append(h, 4);
}

QByteArray Deflate(const QByteArray &data) {
  QByteArray packed = qCompress(data, 1);
  return packed.mid(4);  // qCompress puts the length in front of the zlib stream
}

QString Extractable(QStringView text) {
  QString out = text.toString();
  for (qsizetype i = 0; i < out.size(); ++i) {
    if (out[i].isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate())
      ++i;
    else if (out[i].isSurrogate())
      out[i] = QChar::ReplacementCharacter;
  }
  return out;
}

QByteArray TextString(QStringView text) {
  QByteArray out("<FEFF");
  for (const QChar c : Extractable(text)) Hex4(out, c.unicode());
  out.append('>');
  return out;
}

QByteArray Name(const QString &text) {
  QByteArray out;
  for (const QChar c : text)
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))
      out.append(char(c.unicode()));
  return out.isEmpty() ? QByteArray("Font") : out;
}

int TFile::Reserve() {
  m_offsets.push_back(-1);
  return int(m_offsets.size());
}

void TFile::Object(int number, const QByteArray &body) {
  Begin(number);
  m_buffer.append(body);
  m_buffer.append("\nendobj\n");
  Flush();
}

void TFile::Stream(int number, const QByteArray &dictionary, const QByteArray &data) {
  Begin(number);
  m_buffer.append("<<");
  m_buffer.append(dictionary);
  m_buffer.append(" /Length ");
  Int(m_buffer, data.size());
  m_buffer.append(">>\nstream\n");
  m_buffer.append(data);
  m_buffer.append("\nendstream\nendobj\n");
  Flush();
}

void TFile::Start() { m_buffer.append("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"); }

bool TFile::Finish(int catalog, int info) {
  const qint64 xref = m_written + m_buffer.size();
  m_buffer.append("xref\n0 ");
  Int(m_buffer, qint64(m_offsets.size()) + 1);
  m_buffer.append("\n0000000000 65535 f \n");
  for (const qint64 at : m_offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(at));
    m_buffer.append(line, 20);
  }
  m_buffer.append("trailer\n<< /Size ");
  Int(m_buffer, qint64(m_offsets.size()) + 1);
  m_buffer.append(" /Root ");
  Int(m_buffer, catalog);
  m_buffer.append(" 0 R /Info ");
  Int(m_buffer, info);
  m_buffer.append(" 0 R >>\nstartxref\n");
  Int(m_buffer, xref);
  m_buffer.append("\n%%EOF\n");
  Flush(true);
  return m_ok;
}

void TFile::Begin(int number) {
  m_offsets[size_t(number) - 1] = m_written + m_buffer.size();
  Int(m_buffer, number);
  m_buffer.append(" 0 obj\n");
}

void TFile::Flush(bool all) {
  if (!all && m_buffer.size() < (1 << 20)) return;
  if (m_file.write(m_buffer) != m_buffer.size()) m_ok = false;
  m_written += m_buffer.size();
  m_buffer.clear();
}

void WriteImage(TFile &pdf, int number, const QImage &picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
  QByteArray pixels;
  pixels.reserve(rgb.width() * rgb.height() * 3);
  for (int y = 0; y < rgb.height(); ++y)
    pixels.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), rgb.width() * 3);
  QByteArray dictionary(" /Type /XObject /Subtype /Image /Width ");
  Int(dictionary, rgb.width());
  dictionary += " /Height ";
  Int(dictionary, rgb.height());
  dictionary += " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode";
  if (picture.hasAlphaChannel()) {
    const QImage alpha = picture.convertToFormat(QImage::Format_Alpha8);
    QByteArray mask;
    for (int y = 0; y < alpha.height(); ++y)
      mask.append(reinterpret_cast<const char *>(alpha.constScanLine(y)), alpha.width());
    const int smask = pdf.Reserve();
    QByteArray maskDictionary(" /Type /XObject /Subtype /Image /Width ");
    Int(maskDictionary, alpha.width());
    maskDictionary += " /Height ";
    Int(maskDictionary, alpha.height());
    maskDictionary += " /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode";
    pdf.Stream(smask, maskDictionary, Deflate(mask));
    dictionary += " /SMask ";
    Int(dictionary, smask);
    dictionary += " 0 R";
  }
  pdf.Stream(number, dictionary, Deflate(pixels));
}

}  // namespace pdf
