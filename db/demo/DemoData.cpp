#include "DemoData.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>

namespace whdemo {

char SetupKeyChar(int index) {
  if (index >= 0 && index <= 9) return static_cast<char>('0' + index);
  if (index >= 10 && index <= 35) return static_cast<char>('A' + index - 10);
  if (index >= 36 && index <= 61) return static_cast<char>('a' + index - 36);
  throw std::out_of_range("setup key index out of range");
}

int ColorCode(int system, int group, int inner, int outer) {
  return (system << 20) + (group << 16) + (inner << 8) + outer;
}

QString Script(const QStringList &statements) {
  QString out;
  qsizetype size = 0;
  for (const QString &s : statements) size += s.size() + 2;
  out.reserve(size);
  for (const QString &s : statements) {
    out += s;
    out += QLatin1String(";\n");
  }
  return out;
}

namespace {

// ---------------------------------------------------------------------------------------
// Small helpers

// A fixed pseudo-random sequence (xorshift64*), so that a scale always gives the same data.
class TRandom {
 public:
  explicit TRandom(quint64 seed) : m_state(seed ? seed : 1) {}
  quint32 Next() {
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return static_cast<quint32>((m_state * 2685821657736338717ULL) >> 32);
  }
  // A whole number from lo to hi, both included.
  int Range(int lo, int hi) { return hi <= lo ? lo : lo + static_cast<int>(Next() % quint32(hi - lo + 1)); }
  bool Chance(int percent) { return Range(1, 100) <= percent; }
  template <typename T>
  const T &Pick(const QVector<T> &v) { return v[Range(0, v.size() - 1)]; }

 private:
  quint64 m_state;
};

double Round2(double v) { return std::round(v * 100.0) / 100.0; }

// A text literal for the command-line client and the program's connection alike: single
// quotes, with quotes and backslashes escaped. A text longer than its column is a fault of
// this generator, never cut silently.
QString Text(const QString &text, int maxLength) {
  if (text.size() > maxLength)
    throw std::length_error(QStringLiteral("demo text longer than %1 characters: %2")
                                .arg(maxLength)
                                .arg(text)
                                .toStdString());
  QString out;
  out.reserve(text.size() + 2);
  out += QLatin1Char('\'');
  for (QChar c : text) {
    if (c == QLatin1Char('\'') || c == QLatin1Char('\\')) out += QLatin1Char('\\');
    out += c;
  }
  out += QLatin1Char('\'');
  return out;
}

// Numbers always with '.', at most six decimals, no trailing zeros.
QString Num(double v) {
  QString s = QString::number(v, 'f', 6);
  while (s.endsWith(QLatin1Char('0'))) s.chop(1);
  if (s.endsWith(QLatin1Char('.'))) s.chop(1);
  if (s == QLatin1String("-0")) s = QStringLiteral("0");
  return s;
}
QString Int(qint64 v) { return QString::number(v); }
QString DateText(const QDate &d) { return QLatin1Char('\'') + d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\''); }
QString DateTimeText(const QDateTime &d) {
  return QLatin1Char('\'') + d.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char('\'');
}

// Multi-row INSERT statements of at most `chunk` rows each.
class TInsert {
 public:
  TInsert(QStringList &out, const QString &table, const QString &columns, int chunk = 500)
      : m_out(out), m_head(QStringLiteral("INSERT INTO %1 (%2) VALUES\n").arg(table, columns)), m_chunk(chunk) {}
  ~TInsert() { Flush(); }
  void Row(const QStringList &values) {
    if (m_rows == 0) m_text = m_head;
    else m_text += QLatin1String(",\n");
    m_text += QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
    if (++m_rows >= m_chunk) Flush();
  }
  void Flush() {
    if (m_rows == 0) return;
    m_out << m_text;
    m_text.clear();
    m_rows = 0;
  }

 private:
  QStringList &m_out;
  QString m_head;
  QString m_text;
  int m_chunk;
  int m_rows = 0;
};

// A small Windows bitmap (24 bits per pixel, bottom-up rows) for a button glyph.
QByteArray Bitmap(int width, int height, const std::function<quint32(int x, int y)> &pixel) {
  const int rowBytes = (width * 3 + 3) & ~3;
  const int imageSize = rowBytes * height;
  QByteArray b;
  auto put16 = [&b](int v) { b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
  auto put32 = [&b](qint64 v) {
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
  };
  b.append("BM");
  put32(14 + 40 + imageSize);
  put16(0);
  put16(0);
  put32(14 + 40);
  put32(40);
  put32(width);
  put32(height);
  put16(1);
  put16(24);
  put32(0);  // no compression
  put32(imageSize);
  put32(2835);  // 72 dpi
  put32(2835);
  put32(0);
  put32(0);
  for (int y = height - 1; y >= 0; --y) {
    QByteArray row;
    for (int x = 0; x < width; ++x) {
      const quint32 rgb = pixel(x, y);
      row.append(char(rgb & 0xFF)).append(char((rgb >> 8) & 0xFF)).append(char((rgb >> 16) & 0xFF));
    }
    while (row.size() < rowBytes) row.append('\0');
    b.append(row);
  }
  return b;
}

// Glyph of a profile system: a window frame in the wood's colour with a cross bar; the
// bottom-left pixel is the background (transparent on a button).
QByteArray SystemGlyph(quint32 wood, int bars) {
  const quint32 background = 0xC0C0C0, glass = 0xA8D8F0;
  return Bitmap(24, 24, [=](int x, int y) -> quint32 {
    if (x < 2 || x > 21 || y < 2 || y > 21) return background;
    if (x < 5 || x > 18 || y < 5 || y > 18) return wood;
    if (bars >= 1 && (x == 11 || x == 12)) return wood;
    if (bars >= 2 && (y == 11 || y == 12)) return wood;
    return glass;
  });
}

// Glyph of the all-systems button: four small frames.
QByteArray AllGlyph() {
  const quint32 colours[4] = {0xD9A45B, 0x8B5A2B, 0xB5651D, 0x6B8E23};
  return Bitmap(24, 24, [=](int x, int y) -> quint32 {
    if (x < 1 || x > 22 || y < 1 || y > 22 || x == 11 || x == 12 || y == 11 || y == 12) return 0xC0C0C0;
    const quint32 c = colours[(y > 12 ? 2 : 0) + (x > 12 ? 1 : 0)];
    const int lx = x > 12 ? x - 13 : x - 1, ly = y > 12 ? y - 13 : y - 1;
    return (lx < 2 || lx > 7 || ly < 2 || ly > 7) ? c : 0xA8D8F0;
  });
}

// ---------------------------------------------------------------------------------------
// The setup tree

struct TNode {
  QByteArray Key;
  QString Caption;
  QString SData;
  int IData = 0;
  double FData = 0;
  int BData = 0;
  int BCatID = 0;
};

struct TColourDef {
  QString Caption;
  QString Code;
  quint32 Rgb;
};

// Colour groups of main group 0 of every system. Kind (BDATA): 0 one colour both sides,
// 2 two colours (outer / inner), 1 coloured outside and white inside, 3 the other way round.
struct TGroupDef {
  QString Caption;
  QString Data;
  int Kind;
};

const QVector<TGroupDef> &ColourGroups() {
  static const QVector<TGroupDef> groups = {
      {QStringLiteral("Лазурь"), QStringLiteral("LAZ"), 0},
      {QStringLiteral("Эмаль RAL"), QStringLiteral("RAL"), 0},
      {QStringLiteral("Двухцветный"), QStringLiteral("RAL2"), 2},
      {QStringLiteral("Цвет / белый"), QStringLiteral("RALW"), 1},
      {QStringLiteral("Белый / цвет"), QStringLiteral("WRAL"), 3},
  };
  return groups;
}

const QVector<TColourDef> &Stains() {
  static const QVector<TColourDef> c = {
      {QStringLiteral("Бесцветный"), QStringLiteral("LZ-000"), 0xE8D8B0},
      {QStringLiteral("Сосна"), QStringLiteral("LZ-101"), 0xD9A45B},
      {QStringLiteral("Дуб светлый"), QStringLiteral("LZ-102"), 0xC49A6C},
      {QStringLiteral("Тик"), QStringLiteral("LZ-103"), 0xA0662B},
      {QStringLiteral("Орех"), QStringLiteral("LZ-104"), 0x7B4A24},
      {QStringLiteral("Махагон"), QStringLiteral("LZ-105"), 0x6E2B1E},
      {QStringLiteral("Палисандр"), QStringLiteral("LZ-106"), 0x4A2A1A},
  };
  return c;
}

const QVector<TColourDef> &Enamels() {
  static const QVector<TColourDef> c = {
      {QStringLiteral("Белый"), QStringLiteral("RAL 9016"), 0xF1F0EA},
      {QStringLiteral("Кремовый"), QStringLiteral("RAL 9001"), 0xE9E0D2},
      {QStringLiteral("Антрацит"), QStringLiteral("RAL 7016"), 0x383E42},
      {QStringLiteral("Коричневый"), QStringLiteral("RAL 8017"), 0x442F29},
      {QStringLiteral("Зелёный мох"), QStringLiteral("RAL 6005"), 0x0F4336},
      {QStringLiteral("Серый шёлк"), QStringLiteral("RAL 7044"), 0xB7B3A8},
      {QStringLiteral("Чёрный"), QStringLiteral("RAL 9005"), 0x0A0A0A},
  };
  return c;
}

// Colours of group g of any system.
const QVector<TColourDef> &ColoursOf(int group) { return group == 0 ? Stains() : Enamels(); }

struct TSystemDef {
  QString Caption;
  QString Wood;       // in names: "сосна", ...
  int Width;          // profile depth in mm
  quint32 WoodRgb;    // glyph colour
};

const QVector<TSystemDef> &Systems() {
  static const QVector<TSystemDef> s = {
      {QStringLiteral("IV-68 сосна"), QStringLiteral("сосна"), 68, 0xD9A45B},
      {QStringLiteral("IV-78 дуб"), QStringLiteral("дуб"), 78, 0x8B5A2B},
      {QStringLiteral("IV-92 лиственница"), QStringLiteral("лиственница"), 92, 0xB5651D},
  };
  return s;
}

QVector<TNode> SetupNodes() {
  QVector<TNode> n;
  auto key = [](const QByteArray &parent, int index) { return parent + SetupKeyChar(index); };
  n << TNode{"0", QStringLiteral("Системы профилей"), QString(), 0, 0, 0, 1};
  const QVector<TSystemDef> &systems = Systems();
  for (int s = 0; s < systems.size(); ++s) {
    const QByteArray sk = key("0", s);
    n << TNode{sk, systems[s].Caption, QStringLiteral("%1").arg(systems[s].Width), systems[s].Width, 0, 0, 2 + s};
    const QByteArray mk = key(sk, 0);
    n << TNode{mk, QStringLiteral("Цветовые категории"), QString(), 0, 0, 0, 0};
    // Main group 0: its children are the colour groups and name the price columns.
    const QByteArray m0 = key(mk, 0);
    n << TNode{m0, QStringLiteral("Стандарт"), QString(), 0, 0, 0, 0};
    for (int g = 0; g < ColourGroups().size(); ++g) {
      const TGroupDef &gd = ColourGroups()[g];
      const QByteArray gk = key(m0, g);
      n << TNode{gk, gd.Caption, gd.Data, g, 0, gd.Kind, 0};
      const QVector<TColourDef> &colours = ColoursOf(g);
      for (int c = 0; c < colours.size(); ++c)
        n << TNode{key(gk, c), colours[c].Caption, colours[c].Code, static_cast<int>(colours[c].Rgb), 0, gd.Kind, 0};
    }
    // Main group 1: price columns of the premium finishes (no colours of its own).
    const QByteArray m1 = key(mk, 1);
    n << TNode{m1, QStringLiteral("Премиум"), QString(), 1, 0, 0, 0};
    const QStringList premium = {QStringLiteral("Базовая"), QStringLiteral("Лазурь премиум"),
                                 QStringLiteral("Эмаль премиум")};
    for (int i = 0; i < premium.size(); ++i) n << TNode{key(m1, i), premium[i], QString(), 0, 0, 0, 0};
    // Further settings of the system that this program does not read.
    n << TNode{key(sk, 1), QStringLiteral("Размеры"), QString(), 0, 0, 0, 0};
    n << TNode{key(key(sk, 1), 0), QStringLiteral("Глубина профиля, мм"), QString(), systems[s].Width, double(systems[s].Width), 0, 0};
  }
  n << TNode{"3", QStringLiteral("Финансы"), QString(), 0, 0, 0, 0};
  n << TNode{"32", QStringLiteral("Налоги"), QString(), 0, 0, 0, 0};
  n << TNode{"321", QStringLiteral("НДС, %"), QString(), 21, 21.0, 0, 0};
  return n;
}

// ---------------------------------------------------------------------------------------
// Reference lists and the catalogue

struct TSupplierDef {
  QString Name, JAddress, FAddress, Phones, RegNum, Bank, BankCode, Account, Notes;
  int Currency;  // of its prices and receipts
};

const QVector<TSupplierDef> &SupplierDefs() {
  static const QVector<TSupplierDef> s = {
      {QStringLiteral("SIA Meža Profili"), QStringLiteral("Rīga, Kokmuižas iela 12"),
       QStringLiteral("Olaine, Rūpnīcu iela 4"), QStringLiteral("+371 67000101"), QStringLiteral("40003000101"),
       QStringLiteral("AS Vidzemes Banka"), QStringLiteral("VIDZLV22"), QStringLiteral("LV10VIDZ0000000000101"),
       QStringLiteral("Priedes un lapegles profili"), 0},
      {QStringLiteral("SIA Ozola Kokapstrāde"), QStringLiteral("Cēsis, Ozolu iela 3"),
       QStringLiteral("Cēsis, Ozolu iela 3"), QStringLiteral("+371 64100202"), QStringLiteral("40003000202"),
       QStringLiteral("AS Vidzemes Banka"), QStringLiteral("VIDZLV22"), QStringLiteral("LV20VIDZ0000000000202"),
       QStringLiteral("Ozola profili, līmētā koka brusas"), 0},
      {QStringLiteral("SIA Stikla Pakešu Darbnīca"), QStringLiteral("Jelgava, Stikla iela 8"),
       QStringLiteral("Jelgava, Stikla iela 8"), QStringLiteral("+371 63000303"), QStringLiteral("40003000303"),
       QStringLiteral("AS Zemgales Krājbanka"), QStringLiteral("ZEMGLV2X"), QStringLiteral("LV30ZEMG0000000000303"),
       QStringLiteral("Piegāde otrdienās un piektdienās"), 0},
      {QStringLiteral("UAB Langų Furnitūra"), QStringLiteral("Kaunas, Pramonės pr. 21"),
       QStringLiteral("Kaunas, Pramonės pr. 21"), QStringLiteral("+370 37000404"), QStringLiteral("LT300000404"),
       QStringLiteral("AB Nemuno Bankas"), QStringLiteral("NEMULT2X"), QStringLiteral("LT40NEMU0000000000404"),
       QString(), 0},
      {QStringLiteral("Northgate Hardware Trading Ltd."), QStringLiteral("12 Harbour Road, Dover"),
       QStringLiteral("Rīga, Krasta iela 90, noliktava 5"), QStringLiteral("+44 1300 000505"), QStringLiteral("GB000000505"),
       QStringLiteral("Harbour Commercial Bank"), QStringLiteral("HCBKGB2L"), QStringLiteral("GB50HCBK0000000000505"),
       QStringLiteral("Cenas USD"), 1},
      {QStringLiteral("ООО Балтуплотнитель"), QStringLiteral("Псков, ул. Заводская, 15"),
       QStringLiteral("Псков, ул. Заводская, 15"), QStringLiteral("+7 8112 000606"), QStringLiteral("6000000606"),
       QStringLiteral("Банк Северо-Запад"), QStringLiteral("044000606"), QStringLiteral("40702810000000000606"),
       QStringLiteral("Уплотнители EPDM и TPE"), 0},
      {QStringLiteral("SIA Krāsu Darbnīca Vidzeme"), QStringLiteral("Valmiera, Krāsotāju iela 2"),
       QStringLiteral("Valmiera, Krāsotāju iela 2"), QStringLiteral("+371 64200707"), QStringLiteral("40003000707"),
       QStringLiteral("AS Vidzemes Banka"), QStringLiteral("VIDZLV22"), QStringLiteral("LV70VIDZ0000000000707"),
       QStringLiteral("Krāsas, lazūras, lakas"), 0},
      {QStringLiteral("SIA Darbnīcas Serviss"), QStringLiteral("Rīga, Tērauda iela 44"),
       QStringLiteral("Rīga, Tērauda iela 44"), QStringLiteral("+371 67000808"), QStringLiteral("40003000808"),
       QStringLiteral("AS Rīgas Kredītbanka"), QStringLiteral("RIKRLV2X"), QStringLiteral("LV80RIKR0000000000808"),
       QString(), 0},
  };
  return s;
}

enum TSupplier { SupPine = 1, SupOak, SupGlass, SupFittings, SupFittingsUsd, SupSeals, SupPaints, SupAux };

struct TMaterial {
  int ID = 0;
  int System = 0, MainGroup = 0;
  QString Name, Comments;
  int Group = 0, Subgroup = 0, Measure = 1;
  double Price[5] = {0, 0, 0, 0, 0};
  int Currency = 0, Discount = 0;
  double Size = 0, PackUnit = 1, SmallPack = 0, BigPack = 0;
  int Supplier = 0, Length = 0, Delta = 0;
  int Delivery[5] = {0, 0, 0, 0, 0};
  bool Coloured = false;
  QVector<int> Colours;  // the colour codes this material is bought in
  int Quantity = 10;     // a typical quantity of one receipt line
};

enum TMeasure { MPiece = 1, MMetre, MSquareMetre, MKilogram, MLitre, MSet, MPack };

struct TGroupRow {
  int ID, SubID;
  QString Name;
  int MinValue;
  double Waste;
};

QVector<TGroupRow> GroupRows() {
  return {
      {1, 0, QStringLiteral("Профили"), 0, 0},
      {1, 1, QStringLiteral("Профили сосна"), 50, 8},
      {1, 2, QStringLiteral("Профили дуб"), 30, 10},
      {1, 3, QStringLiteral("Профили лиственница"), 30, 9},
      {1, 4, QStringLiteral("Брус клееный"), 20, 12},
      {2, 0, QStringLiteral("Стекло и стеклопакеты"), 0, 0},
      {2, 1, QStringLiteral("Стеклопакеты однокамерные"), 10, 3},
      {2, 2, QStringLiteral("Стеклопакеты двухкамерные"), 10, 3},
      {2, 3, QStringLiteral("Стекло листовое"), 5, 15},
      {3, 0, QStringLiteral("Фурнитура"), 0, 0},
      {3, 1, QStringLiteral("Петли"), 20, 0},
      {3, 2, QStringLiteral("Ручки"), 20, 0},
      {3, 3, QStringLiteral("Запорные механизмы"), 15, 0},
      {3, 4, QStringLiteral("Крепёж"), 200, 2},
      {4, 0, QStringLiteral("Уплотнители и ленты"), 0, 0},
      {4, 1, QStringLiteral("Уплотнитель притвора"), 100, 5},
      {4, 2, QStringLiteral("Уплотнитель стекла"), 100, 5},
      {4, 3, QStringLiteral("Ленты монтажные"), 50, 5},
      {5, 0, QStringLiteral("Лакокрасочные материалы"), 0, 0},
      {5, 1, QStringLiteral("Грунты и пропитки"), 4, 6},
      {5, 2, QStringLiteral("Лазури"), 4, 6},
      {5, 3, QStringLiteral("Эмали"), 4, 6},
      {5, 4, QStringLiteral("Лаки"), 4, 6},
      {5, 5, QStringLiteral("Растворители"), 2, 0},
      {6, 0, QStringLiteral("Вспомогательные материалы"), 0, 0},
      {6, 1, QStringLiteral("Клеи и герметики"), 5, 3},
      {6, 2, QStringLiteral("Абразивы"), 10, 0},
      {6, 3, QStringLiteral("Упаковка"), 5, 0},
  };
}

// One copy of the catalogue; copy k > 0 gets " #k" after each name.
void AddCatalogue(QVector<TMaterial> &out, int copy, TRandom &rnd) {
  const QString suffix = copy == 0 ? QString() : QStringLiteral(" #%1").arg(copy + 1);
  auto add = [&](TMaterial m) {
    m.Name += suffix;
    m.ID = out.size() + 1;
    m.Discount = rnd.Chance(60) ? 0 : rnd.Range(1, 4);
    if (m.Coloured) {
      for (int g = 1; g < 5; ++g) m.Price[g] = Round2(m.Price[0] * (1.0 + 0.12 * g));
      for (int g = 0; g < 5; ++g) m.Delivery[g] = 5 + 3 * g;
    } else {
      m.Delivery[0] = rnd.Range(2, 14);
    }
    out << m;
  };
  const QVector<TSystemDef> &systems = Systems();

  // Profiles: coloured, per system; measured in metres.
  struct TProfile { QString Name; int Height; double Price; };
  const QVector<TProfile> profiles = {
      {QStringLiteral("Рама"), 78, 6.20},          {QStringLiteral("Створка"), 78, 6.80},
      {QStringLiteral("Импост"), 82, 7.10},        {QStringLiteral("Створка балконная"), 98, 8.40},
      {QStringLiteral("Штульп"), 86, 7.60},        {QStringLiteral("Порог"), 58, 9.90},
      {QStringLiteral("Штапик"), 20, 0.95},        {QStringLiteral("Отлив створки"), 45, 2.35},
      {QStringLiteral("Нащельник"), 30, 1.40},
  };
  const double woodFactor[3] = {1.0, 2.35, 1.45};
  for (int s = 0; s < systems.size(); ++s) {
    const int width = systems[s].Width;
    for (const TProfile &p : profiles) {
      for (int length : {3000, 4500, 6000}) {
        TMaterial m;
        m.System = s;
        m.Name = QStringLiteral("%1 IV-%2 %3 L=%4").arg(p.Name).arg(width).arg(systems[s].Wood).arg(length);
        m.Comments = QStringLiteral("%1x%2 мм, %3").arg(width).arg(p.Height).arg(systems[s].Wood);
        m.Group = 1;
        m.Subgroup = s + 1;
        m.Measure = MMetre;
        m.Price[0] = Round2(p.Price * woodFactor[s] * (length == 6000 ? 1.08 : 1.0));
        m.Size = width;
        m.Length = length;
        m.Delta = p.Height;
        m.Supplier = s == 1 ? SupOak : SupPine;
        m.Coloured = true;
        m.MainGroup = rnd.Chance(20) ? 1 : 0;
        m.BigPack = length / 1000.0 * 10;
        m.Quantity = rnd.Range(3, 12) * 10;
        add(m);
      }
    }
    // Glued laminated scantlings: not coloured.
    for (int section : {86, 98, 115, 130}) {
      for (int length : {3000, 4500, 6000}) {
        TMaterial m;
        m.System = s;
        m.Name = QStringLiteral("Брус 3-сл. %1 %2x%3 L=%4").arg(systems[s].Wood).arg(width).arg(section).arg(length);
        m.Comments = QStringLiteral("клееный, влажность 10-12%");
        m.Group = 1;
        m.Subgroup = 4;
        m.Measure = MMetre;
        m.Price[0] = Round2(3.10 * woodFactor[s] * section / 86.0);
        m.Size = width;
        m.Length = length;
        m.Delta = section;
        m.Supplier = SupOak;
        m.BigPack = 60;
        m.Quantity = rnd.Range(5, 20) * 10;
        add(m);
      }
    }
  }

  // Glass: square metres.
  const QStringList single = {"4-16-4", "4-18-4", "4-20-4", "4-16-4 LowE", "4-16-4 LowE Ar", "4-18-4 LowE Ar",
                              "6-14-4 LowE Ar", "33.1-14-4 LowE Ar"};
  const QStringList twin = {"4-12-4-12-4", "4-14-4-14-4", "4-12-4-12-4 LowE Ar", "4-14-4-14-4 LowE Ar",
                            "4-16-4-16-4 2LowE Ar", "6-12-4-12-4 LowE Ar", "33.1-12-4-12-4 Ar", "4-10-4-10-4 LowE"};
  for (int kind = 0; kind < 2; ++kind) {
    const QStringList &list = kind == 0 ? single : twin;
    for (int i = 0; i < list.size(); ++i) {
      for (const QString &spacer : {QStringLiteral("Al"), QStringLiteral("TGI")}) {
        TMaterial m;
        m.Name = QStringLiteral("Стеклопакет %1 %2").arg(list[i], spacer);
        m.Comments = kind == 0 ? QStringLiteral("однокамерный, рамка %1").arg(spacer)
                               : QStringLiteral("двухкамерный, рамка %1").arg(spacer);
        m.Group = 2;
        m.Subgroup = kind + 1;
        m.Measure = MSquareMetre;
        m.Price[0] = Round2((kind == 0 ? 24.0 : 38.0) + 2.5 * i + (spacer == QLatin1String("TGI") ? 3.2 : 0));
        m.Supplier = SupGlass;
        m.Quantity = rnd.Range(2, 8) * 5;
        add(m);
      }
    }
  }
  const QStringList sheets = {"Флоат 4 мм", "Флоат 6 мм", "Триплекс 33.1", "Триплекс 44.2",
                              "Матовое 4 мм", "LowE 4 мм", "Закалённое 6 мм"};
  for (int i = 0; i < sheets.size(); ++i) {
    for (const QString &format : {QStringLiteral("2250x3210"), QStringLiteral("6000x3210")}) {
      TMaterial m;
      m.Name = QStringLiteral("Стекло %1 %2").arg(sheets[i], format);
      m.Comments = QStringLiteral("лист %1 мм").arg(format);
      m.Group = 2;
      m.Subgroup = 3;
      m.Measure = MSquareMetre;
      m.Price[0] = Round2(7.5 + 3.1 * i);
      m.SmallPack = format.startsWith(QLatin1Char('2')) ? 7.22 : 19.26;
      m.Supplier = SupGlass;
      m.Quantity = rnd.Range(2, 6) * 10;
      add(m);
    }
  }

  // Fittings: pieces and sets; one of the two suppliers prices in USD.
  const QStringList finishes = {"белая", "коричневая", "серебро", "бронза"};
  const QStringList hinges = {"Петля нижняя створки", "Петля верхняя", "Петля балконная", "Петля-уголок"};
  for (int i = 0; i < hinges.size(); ++i)
    for (int load : {80, 130})
      for (const QString &f : finishes) {
        TMaterial m;
        m.Name = QStringLiteral("%1 %2 кг %3").arg(hinges[i]).arg(load).arg(f);
        m.Comments = QStringLiteral("нагрузка до %1 кг").arg(load);
        m.Group = 3;
        m.Subgroup = 1;
        m.Measure = MPiece;
        m.Price[0] = Round2(3.40 + 1.2 * i + (load == 130 ? 1.9 : 0));
        m.SmallPack = 10;
        m.BigPack = 100;
        m.Supplier = i % 2 == 0 ? SupFittings : SupFittingsUsd;
        m.Currency = SupplierDefs()[m.Supplier - 1].Currency;
        m.Quantity = rnd.Range(2, 10) * 10;
        add(m);
      }
  const QStringList handles = {"Ручка оконная", "Ручка с ключом", "Ручка балконная двусторонняя", "Ручка-ракушка"};
  const QStringList handleFinishes = {"белая", "коричневая", "серебро", "бронза", "латунь", "титан"};
  for (int i = 0; i < handles.size(); ++i)
    for (const QString &f : handleFinishes) {
      TMaterial m;
      m.Name = QStringLiteral("%1 %2").arg(handles[i], f);
      m.Group = 3;
      m.Subgroup = 2;
      m.Measure = MPiece;
      m.Price[0] = Round2(4.10 + 2.3 * i + (f == QLatin1String("латунь") ? 2.0 : 0));
      m.SmallPack = 10;
      m.BigPack = 50;
      m.Supplier = i == 1 ? SupFittingsUsd : SupFittings;
      m.Currency = SupplierDefs()[m.Supplier - 1].Currency;
      m.Quantity = rnd.Range(2, 6) * 10;
      add(m);
    }
  struct TGear { QString Name; int Measure; double Price; };
  const QVector<TGear> gear = {
      {QStringLiteral("Основной запор 400-600"), MPiece, 6.80},  {QStringLiteral("Основной запор 601-800"), MPiece, 7.40},
      {QStringLiteral("Основной запор 801-1000"), MPiece, 8.10}, {QStringLiteral("Основной запор 1001-1200"), MPiece, 8.90},
      {QStringLiteral("Основной запор 1201-1400"), MPiece, 9.60}, {QStringLiteral("Основной запор 1401-1600"), MPiece, 10.40},
      {QStringLiteral("Основной запор 1601-1800"), MPiece, 11.20}, {QStringLiteral("Средний запор 600"), MPiece, 5.10},
      {QStringLiteral("Средний запор 800"), MPiece, 5.70},       {QStringLiteral("Средний запор 1000"), MPiece, 6.30},
      {QStringLiteral("Ножницы поворотно-откидные 280-400"), MSet, 12.50},
      {QStringLiteral("Ножницы поворотно-откидные 401-600"), MSet, 13.40},
      {QStringLiteral("Ножницы поворотно-откидные 601-800"), MSet, 14.60},
      {QStringLiteral("Ножницы поворотно-откидные 801-1000"), MSet, 15.90},
      {QStringLiteral("Ножницы поворотно-откидные 1001-1400"), MSet, 17.80},
      {QStringLiteral("Угловой переключатель"), MPiece, 3.90},    {QStringLiteral("Микропроветривание"), MPiece, 2.60},
      {QStringLiteral("Блокиратор ошибочного открывания"), MPiece, 2.90},
      {QStringLiteral("Ответная планка"), MPiece, 0.85},
  };
  for (int i = 0; i < gear.size(); ++i) {
    TMaterial m;
    m.Name = gear[i].Name;
    m.Comments = QStringLiteral("поворотно-откидная система");
    m.Group = 3;
    m.Subgroup = 3;
    m.Measure = gear[i].Measure;
    m.Price[0] = gear[i].Price;
    m.SmallPack = 10;
    m.BigPack = 40;
    m.Supplier = i % 3 == 2 ? SupFittingsUsd : SupFittings;
    m.Currency = SupplierDefs()[m.Supplier - 1].Currency;
    m.Quantity = rnd.Range(2, 8) * 10;
    add(m);
  }
  const QStringList screws = {"Шуруп 4x30 оцинк.", "Шуруп 4x40 оцинк.", "Шуруп 4x50 оцинк.", "Шуруп 5x60 оцинк.",
                              "Шуруп 5x70 оцинк.", "Шуруп 6x80 оцинк.", "Нагель буковый 10x40", "Нагель буковый 12x60",
                              "Дюбель рамный 10x100", "Дюбель рамный 10x132", "Дюбель рамный 10x152",
                              "Пластина монтажная 150 мм"};
  for (int i = 0; i < screws.size(); ++i) {
    TMaterial m;
    m.Name = screws[i];
    m.Group = 3;
    m.Subgroup = 4;
    m.Measure = i < 8 ? MPack : MPiece;
    m.Comments = i < 8 ? QStringLiteral("упаковка 500 шт.") : QString();
    m.PackUnit = i < 8 ? 500 : 1;
    m.Price[0] = i < 8 ? Round2(6.5 + 1.4 * i) : Round2(0.35 + 0.05 * i);
    m.SmallPack = i < 8 ? 1 : 50;
    m.BigPack = i < 8 ? 20 : 500;
    m.Supplier = SupFittings;
    m.Quantity = i < 8 ? rnd.Range(2, 10) : rnd.Range(2, 10) * 50;
    add(m);
  }

  // Seals and tapes: metres.
  const QStringList sealColours = {"чёрный", "коричневый", "белый", "серый", "бежевый"};
  const QStringList rebate = {"Уплотнитель притвора тип A", "Уплотнитель притвора тип B",
                              "Уплотнитель притвора тип C", "Уплотнитель рамы тип D"};
  for (int i = 0; i < rebate.size(); ++i)
    for (const QString &c : sealColours) {
      TMaterial m;
      m.Name = QStringLiteral("%1 %2").arg(rebate[i], c);
      m.Comments = QStringLiteral("TPE, бухта 300 м");
      m.Group = 4;
      m.Subgroup = 1;
      m.Measure = MMetre;
      m.Price[0] = Round2(0.42 + 0.07 * i);
      m.SmallPack = 300;
      m.BigPack = 1200;
      m.Supplier = SupSeals;
      m.Quantity = 300 * rnd.Range(1, 3);
      add(m);
    }
  for (const QString &type : {QStringLiteral("тип E"), QStringLiteral("тип F")})
    for (const QString &c : sealColours) {
      TMaterial m;
      m.Name = QStringLiteral("Уплотнитель стекла %1 %2").arg(type, c);
      m.Comments = QStringLiteral("EPDM, бухта 250 м");
      m.Group = 4;
      m.Subgroup = 2;
      m.Measure = MMetre;
      m.Price[0] = type.endsWith(QLatin1Char('E')) ? 0.31 : 0.36;
      m.SmallPack = 250;
      m.BigPack = 1000;
      m.Supplier = SupSeals;
      m.Quantity = 250 * rnd.Range(1, 3);
      add(m);
    }
  const QStringList tapes = {"Лента ПСУЛ 10/3-7", "Лента ПСУЛ 15/5-10", "Лента пароизоляционная 70 мм",
                             "Лента пароизоляционная 100 мм", "Лента диффузионная 100 мм", "Лента диффузионная 150 мм"};
  for (int i = 0; i < tapes.size(); ++i) {
    TMaterial m;
    m.Name = tapes[i];
    m.Comments = QStringLiteral("рулон");
    m.Group = 4;
    m.Subgroup = 3;
    m.Measure = MMetre;
    m.Price[0] = Round2(0.55 + 0.2 * i);
    m.SmallPack = i < 2 ? 12 : 25;
    m.Supplier = SupSeals;
    m.Quantity = (i < 2 ? 12 : 25) * rnd.Range(2, 8);
    add(m);
  }

  // Paints: cans (pieces); stains and enamels are kept per colour.
  struct TPaint { QString Name; int Subgroup; double PricePerLitre; int ColourGroup; };  // -1: not coloured
  const QVector<TPaint> paints = {
      {QStringLiteral("Грунт изолирующий"), 1, 6.90, -1},       {QStringLiteral("Пропитка антисептическая"), 1, 5.20, -1},
      {QStringLiteral("Грунт-антисиний"), 1, 7.40, -1},         {QStringLiteral("Лазурь толстослойная"), 2, 14.80, 0},
      {QStringLiteral("Лазурь тонкослойная"), 2, 12.60, 0},     {QStringLiteral("Лазурь промежуточная"), 2, 11.90, 0},
      {QStringLiteral("Эмаль покрывная"), 3, 16.50, 1},         {QStringLiteral("Эмаль промежуточная"), 3, 13.20, 1},
      {QStringLiteral("Эмаль для торцов"), 3, 18.90, 1},        {QStringLiteral("Лак матовый"), 4, 15.30, -1},
      {QStringLiteral("Лак шелковисто-матовый"), 4, 15.30, -1}, {QStringLiteral("Лак глянцевый"), 4, 16.10, -1},
  };
  for (const TPaint &p : paints)
    for (double litres : {2.5, 5.0, 20.0}) {
      TMaterial m;
      m.Name = QStringLiteral("%1 %2 л").arg(p.Name, QString::number(litres));
      m.Comments = QStringLiteral("водная основа");
      m.Group = 5;
      m.Subgroup = p.Subgroup;
      m.Measure = MPiece;
      m.Size = litres;
      m.Price[0] = Round2(p.PricePerLitre * litres * (litres >= 20 ? 0.9 : 1.0));
      m.SmallPack = litres >= 20 ? 1 : 4;
      m.Supplier = SupPaints;
      m.Coloured = p.ColourGroup >= 0;
      if (m.Coloured) {
        // Paints are bought in the colours of the finishes: one colour both sides.
        const QVector<TColourDef> &colours = ColoursOf(p.ColourGroup);
        QVector<int> used;
        for (int k = 0; k < 3; ++k) {
          const int c = rnd.Range(0, colours.size() - 1);
          const int code = ColorCode(0, p.ColourGroup, c, c);
          if (!used.contains(code)) used << code;
        }
        m.Colours = used;
      }
      m.Quantity = litres >= 20 ? rnd.Range(1, 4) : rnd.Range(2, 8) * 4;
      add(m);
    }
  for (const QString &name : {QStringLiteral("Разбавитель водный 5 л"), QStringLiteral("Очиститель пистолетов 5 л"),
                              QStringLiteral("Разбавитель водный 20 л"), QStringLiteral("Очиститель пистолетов 20 л")}) {
    TMaterial m;
    m.Name = name;
    m.Group = 5;
    m.Subgroup = 5;
    m.Measure = MPiece;
    m.Size = name.contains(QLatin1String("20")) ? 20 : 5;
    m.Price[0] = Round2(m.Size * 2.15);
    m.Supplier = SupPaints;
    m.Quantity = rnd.Range(1, 6);
    add(m);
  }

  // Auxiliary materials.
  struct TAux { QString Name; int Subgroup; int Measure; double Price; };
  const QVector<TAux> aux = {
      {QStringLiteral("Клей ПВА D3 1 кг"), 1, MPiece, 4.20},   {QStringLiteral("Клей ПВА D3 5 кг"), 1, MPiece, 17.90},
      {QStringLiteral("Клей ПВА D3 10 кг"), 1, MPiece, 32.50},  {QStringLiteral("Клей D4 двухкомпонентный 5 кг"), 1, MPiece, 36.00},
      {QStringLiteral("Герметик силиконовый прозрачный"), 1, MPiece, 3.10},
      {QStringLiteral("Герметик силиконовый белый"), 1, MPiece, 3.10},
      {QStringLiteral("Герметик силиконовый коричневый"), 1, MPiece, 3.30},
      {QStringLiteral("Пена монтажная 750 мл"), 1, MPiece, 5.60},
      {QStringLiteral("Шлифшкурка P80 рулон 115 мм"), 2, MMetre, 0.95},
      {QStringLiteral("Шлифшкурка P120 рулон 115 мм"), 2, MMetre, 0.95},
      {QStringLiteral("Шлифшкурка P180 рулон 115 мм"), 2, MMetre, 0.95},
      {QStringLiteral("Шлифшкурка P240 рулон 115 мм"), 2, MMetre, 0.99},
      {QStringLiteral("Шлифшкурка P320 рулон 115 мм"), 2, MMetre, 1.05},
      {QStringLiteral("Шлифовальный круг P120 150 мм"), 2, MPiece, 0.38},
      {QStringLiteral("Шлифовальный круг P180 150 мм"), 2, MPiece, 0.38},
      {QStringLiteral("Шлифовальный круг P240 150 мм"), 2, MPiece, 0.40},
      {QStringLiteral("Стрейч-плёнка 500 мм"), 3, MKilogram, 2.70},
      {QStringLiteral("Уголки защитные картонные"), 3, MPiece, 0.12},
      {QStringLiteral("Лента малярная 25 мм"), 3, MPiece, 1.15},
      {QStringLiteral("Лента малярная 50 мм"), 3, MPiece, 2.05},
      {QStringLiteral("Плёнка защитная для стекла"), 3, MSquareMetre, 0.45},
      {QStringLiteral("Растворитель 646 1 л"), 1, MLitre, 2.80},
  };
  for (const TAux &a : aux) {
    TMaterial m;
    m.Name = a.Name;
    m.Group = 6;
    m.Subgroup = a.Subgroup;
    m.Measure = a.Measure;
    m.Price[0] = a.Price;
    m.Supplier = SupAux;
    m.Quantity = a.Measure == MMetre ? 50 * rnd.Range(1, 4) : rnd.Range(2, 12) * 5;
    add(m);
  }
}

// The colour codes a coloured profile of system s is bought in: a few finishes of every kind.
QVector<int> ProfileColours(int system, TRandom &rnd) {
  QVector<int> codes;
  const int wanted = rnd.Range(2, 4);
  for (int tries = 0; codes.size() < wanted && tries < 20; ++tries) {
    const int g = rnd.Range(0, ColourGroups().size() - 1);
    const int n = ColoursOf(g).size();
    const int a = rnd.Range(0, n - 1);
    int b = rnd.Range(0, n - 1);
    int code = 0;
    switch (ColourGroups()[g].Kind) {
      case 2:  // outer and inner colour differ
        if (b == a) b = (a + 1) % n;
        code = ColorCode(system, g, a, b);
        break;
      case 1:  // coloured outside: the inner choice is off
        code = ColorCode(system, g, 0, a);
        break;
      case 3:  // coloured inside: the outer choice is off
        code = ColorCode(system, g, a, 0);
        break;
      default:
        code = ColorCode(system, g, a, a);
    }
    if (!codes.contains(code)) codes << code;
  }
  return codes;
}

// ---------------------------------------------------------------------------------------
// Documents

enum TKind { KReceipt = 0, KIssue = 1, KRequest = 2, KReservation = 3, KCount = 4, KShortage = 6 };

struct TDoc {
  int ID = 0;
  QDate Date;
  QString Num;
  QString OrdLink;  // empty: NULL
  bool HasOrdLink = false;
  QString Notes;
  int Kind = 0;
  int Supplier = 0;
  int Paid = 0;
  double Sum = 0;
  int Currency = -1;  // -1: NULL (with the rate)
  double Rate = 0;
  QDateTime LastUpdate;
};

struct TLine {
  int ID = 0, Doc = 0, Material = 0, Colour = -1;
  double Quantity = 0, Price = 0;
  bool IsLot = false;   // receipt line: QTYOUT written
  double QtyOut = 0;
  QDate Received;       // lots: the receipt's date
};

struct TLink { int InDoc, OutDoc, OutLine, InLine; };

struct TCountRow { int Doc, Material, Colour; double Before, After, Sum, Remain; };

struct TStock {
  int ID = 0;
  int Material = 0, Colour = -1;
  double Quantity = 0, Reserve = 0;
  int LastReceipt = 0;
  QVector<int> Lots;  // line indexes, oldest receipt first
  int FirstOpen = 0;  // lots before this one are used up
};

class TLedger {
 public:
  TLedger(const QVector<TMaterial> &materials, const QDate &today, int scale, TRandom &rnd)
      : m_materials(materials), m_today(today), m_scale(scale), m_rnd(rnd) {
    for (const TMaterial &m : materials) m_bySupplier[m.Supplier] << m.ID;
  }

  QVector<TDoc> Docs;
  QVector<TLine> Lines;
  QVector<TLink> Links;
  QVector<TCountRow> CountRows;
  QVector<TStock> Stock;  // in the order the rows were created
  QHash<int, int> RequestsOf;  // supplier -> requests made

  void Run() {
    struct TEvent { QDate Date; int Kind; int Order; };
    QVector<TEvent> events;
    int order = 0;
    const int receipts = 24 * m_scale, issues = 16 * m_scale, requests = 2 * m_scale;
    for (int i = 0; i < receipts; ++i) events << TEvent{m_today.addDays(-180 + (177 * i) / receipts), KReceipt, order++};
    for (int i = 0; i < issues; ++i) events << TEvent{m_today.addDays(-170 + (168 * i) / issues), KIssue, order++};
    for (int i = 0; i < requests; ++i) events << TEvent{m_today.addDays(-40 + (38 * i) / requests), KRequest, order++};
    for (int i = 0; i < m_scale; ++i) {
      events << TEvent{m_today.addDays(-2 - (60 * i) / m_scale), KReservation, order++};
      events << TEvent{m_today.addDays(-1 - (60 * i) / m_scale), KCount, order++};
    }
    std::stable_sort(events.begin(), events.end(), [](const TEvent &a, const TEvent &b) {
      return a.Date != b.Date ? a.Date < b.Date : a.Order < b.Order;
    });
    for (const TEvent &e : events) {
      switch (e.Kind) {
        case KReceipt: Receipt(e.Date); break;
        case KIssue: Issue(e.Date); break;
        case KRequest: Request(e.Date); break;
        case KReservation: Reservation(e.Date); break;
        case KCount: Count(e.Date); break;
      }
    }
  }

 private:
  const QVector<TMaterial> &m_materials;
  QDate m_today;
  int m_scale;
  TRandom &m_rnd;
  QHash<int, QVector<int>> m_bySupplier;      // supplier -> material IDs
  QHash<qint64, int> m_stockIndex;            // (material, colour) -> Stock index
  QHash<int, QVector<int>> m_stockBySupplier;  // supplier -> Stock indexes

  static qint64 Key(int material, int colour) { return (qint64(material) << 32) | quint32(colour); }
  const TMaterial &Material(int id) const { return m_materials[id - 1]; }

  TDoc &NewDoc(const QDate &date, int kind, int supplier) {
    TDoc d;
    d.ID = Docs.size() + 1;
    d.Date = date;
    d.Kind = kind;
    d.Supplier = supplier;
    // One draw per statement: the order in which a call's arguments are evaluated is left
    // open, and the data must not change with the compiler. Seconds, minutes, then hours is
    // the order the data set was first made in.
    const int second = m_rnd.Range(0, 59);
    const int minute = m_rnd.Range(0, 59);
    const int hour = 8 + m_rnd.Range(0, 9);
    d.LastUpdate = QDateTime(date, QTime(hour, minute, second));
    Docs << d;
    return Docs.last();
  }
  // The number the editors propose: the prefix and the next document ID in nine digits.
  QString ProposedNumber(const QString &prefix) const {
    return prefix + QStringLiteral("%1").arg(Docs.size() + 1, 9, 10, QLatin1Char('0'));
  }
  TLine &NewLine(int doc, int material, int colour, double quantity, double price) {
    TLine l;
    l.ID = Lines.size() + 1;
    l.Doc = doc;
    l.Material = material;
    l.Colour = colour;
    l.Quantity = quantity;
    l.Price = price;
    Lines << l;
    return Lines.last();
  }
  TStock &StockRow(int material, int colour) {
    const qint64 k = Key(material, colour);
    auto it = m_stockIndex.find(k);
    if (it != m_stockIndex.end()) return Stock[it.value()];
    TStock s;
    s.ID = Stock.size() + 1;
    s.Material = material;
    s.Colour = colour;
    m_stockIndex.insert(k, Stock.size());
    m_stockBySupplier[Material(material).Supplier] << Stock.size();
    Stock << s;
    return Stock.last();
  }
  double OpenQuantity(const TStock &s) const {
    double open = 0;
    for (int i = s.FirstOpen; i < s.Lots.size(); ++i) open += Lines[s.Lots[i]].Quantity - Lines[s.Lots[i]].QtyOut;
    return open;
  }
  // What may still be taken: the open lots, less what reservations hold.
  double Available(const TStock &s) const { return std::min(OpenQuantity(s), s.Quantity + s.Reserve); }

  QVector<int> PickMaterials(int supplier, int count) {
    const QVector<int> &all = m_bySupplier[supplier];
    QVector<int> picked;
    for (int tries = 0; picked.size() < count && tries < count * 4; ++tries) {
      const int id = m_rnd.Pick(all);
      if (!picked.contains(id)) picked << id;
    }
    return picked;
  }
  int Colour(const TMaterial &m) {
    if (!m.Coloured) return -1;
    return m.Colours.isEmpty() ? 0 : m_rnd.Pick(m.Colours);
  }
  // Catalogue price of the material in its colour, less its discount, with a little drift.
  double UnitPrice(const TMaterial &m, int colour) {
    int column = 0;
    if (m.Coloured && colour > 0) column = (colour >> 16) & 0xF;
    double p = m.Price[column] > 0 ? m.Price[column] : m.Price[0];
    static const double discounts[5] = {0, 3, 5, 10, 15};
    p *= 1.0 - discounts[m.Discount] / 100.0;
    p *= 1.0 + (m_rnd.Range(-30, 30) / 1000.0);
    return std::max(0.01, Round2(p));
  }
  static double CurrencyRate(int currency, TRandom &rnd) {
    return currency == 1 ? 0.9 + rnd.Range(0, 40) / 1000.0 : 1.0;
  }

  void Receipt(const QDate &date) {
    static const QVector<int> suppliers = {SupPine, SupPine, SupOak, SupOak, SupGlass, SupGlass, SupFittings,
                                           SupFittingsUsd, SupSeals, SupPaints, SupAux};
    const int supplier = m_rnd.Pick(suppliers);
    const int currency = SupplierDefs()[supplier - 1].Currency;
    TDoc &doc = NewDoc(date, KReceipt, supplier);
    const int docId = doc.ID;
    doc.Num = QStringLiteral("%1-%2").arg(QStringLiteral("PZ"), QString::number(1000 + docId * 7 % 9000));
    doc.HasOrdLink = m_rnd.Chance(40);
    if (doc.HasOrdLink) doc.OrdLink = QStringLiteral("Z-%1").arg(date.toString(QStringLiteral("yyMM")) + QString::number(m_rnd.Range(10, 99)));
    doc.Notes = m_rnd.Chance(30) ? QStringLiteral("Piegāde pēc pasūtījuma") : QString();
    doc.Paid = date < m_today.addDays(-30) ? 1 : (m_rnd.Chance(50) ? 1 : 0);
    doc.Currency = currency;
    doc.Rate = CurrencyRate(currency, m_rnd);
    const double rate = doc.Rate;
    double sum = 0;
    for (int id : PickMaterials(supplier, m_rnd.Range(3, 10))) {
      const TMaterial &m = Material(id);
      const int colour = Colour(m);
      const double qty = m.Quantity;
      // Lines hold the price in the base currency: the supplier's price times the rate.
      const double price = Round2(UnitPrice(m, colour) * rate);
      TLine &l = NewLine(docId, id, colour, qty, price);
      l.IsLot = true;
      l.Received = date;
      const int lineIndex = Lines.size() - 1;
      TStock &s = StockRow(id, colour);
      s.Quantity += qty;
      s.LastReceipt = docId;
      s.Lots << lineIndex;
      sum += qty * price;
    }
    Docs[docId - 1].Sum = Round2(sum);
  }

  // Takes qty of a stock row from its oldest open lots: one line and one link per lot.
  double Consume(int docId, TStock &s, double qty) {
    double value = 0;
    while (qty > 0.0000005 && s.FirstOpen < s.Lots.size()) {
      TLine &lot = Lines[s.Lots[s.FirstOpen]];
      const double open = lot.Quantity - lot.QtyOut;
      const double take = std::min(open, qty);
      lot.QtyOut += take;
      const int lotId = lot.ID, lotDoc = lot.Doc;
      const double price = lot.Price;
      if (lot.Quantity - lot.QtyOut < 0.0000005) ++s.FirstOpen;
      const TLine &out = NewLine(docId, s.Material, s.Colour, take, price);
      Links << TLink{lotDoc, docId, out.ID, lotId};
      s.Quantity -= take;
      qty -= take;
      value += take * price;
    }
    return value;
  }

  // Stock rows of the supplier that still have something to give.
  QVector<int> StockToTake(int supplier, int count) {
    const QVector<int> &rows = m_stockBySupplier[supplier];
    QVector<int> picked;
    if (rows.isEmpty()) return picked;
    for (int tries = 0; picked.size() < count && tries < count * 6; ++tries) {
      const int index = m_rnd.Pick(rows);
      if (!picked.contains(index) && Available(Stock[index]) >= 1) picked << index;
    }
    return picked;
  }

  void Issue(const QDate &date) {
    // One order takes materials of one to three suppliers: one document per supplier.
    QVector<int> suppliers;
    const int wanted = m_rnd.Chance(25) ? 2 : 1;
    for (int tries = 0; suppliers.size() < wanted && tries < 10; ++tries) {
      const int s = m_rnd.Range(1, SupplierDefs().size());
      if (!suppliers.contains(s) && !StockToTake(s, 1).isEmpty()) suppliers << s;
    }
    if (suppliers.isEmpty()) return;
    const QString number = ProposedNumber(QStringLiteral("1"));
    const QString order = QStringLiteral("Z-%1").arg(QString::number(date.year() % 100 * 10000 + date.dayOfYear() * 10 + m_rnd.Range(0, 9)));
    const bool paid = m_rnd.Chance(70);
    for (int k = 0; k < suppliers.size(); ++k) {
      TDoc &doc = NewDoc(date, KIssue, suppliers[k]);
      const int docId = doc.ID;
      doc.Num = suppliers.size() == 1 ? number : QStringLiteral("%1-%2").arg(number).arg(k + 1);
      doc.HasOrdLink = true;
      doc.OrdLink = order;
      doc.Notes = QStringLiteral("Производство, заказ %1").arg(order);
      doc.Paid = paid ? 1 : 0;
      double sum = 0;
      for (int index : StockToTake(suppliers[k], m_rnd.Range(2, 6))) {
        TStock &s = Stock[index];
        const int available = static_cast<int>(std::floor(Available(s)));
        // Now and then an issue takes a whole lot and part of the next.
        const int qty = m_rnd.Chance(30) ? available : m_rnd.Range(1, std::max(1, available * 2 / 3));
        sum += Consume(docId, s, qty);
      }
      Docs[docId - 1].Sum = Round2(sum);
    }
  }

  void Request(const QDate &date) {
    const int supplier = m_rnd.Range(1, SupplierDefs().size());
    const int number = ++RequestsOf[supplier];
    TDoc &doc = NewDoc(date, KRequest, supplier);
    const int docId = doc.ID;
    doc.Num = QStringLiteral("p%1").arg(number);
    doc.HasOrdLink = true;
    doc.OrdLink = doc.Num;
    doc.Notes = QStringLiteral("Pieprasījums piegādātājam");
    doc.Currency = SupplierDefs()[supplier - 1].Currency;
    doc.Rate = CurrencyRate(doc.Currency, m_rnd);
    const double rate = doc.Rate;
    double sum = 0;
    for (int id : PickMaterials(supplier, m_rnd.Range(2, 5))) {
      const TMaterial &m = Material(id);
      const int colour = Colour(m);
      const double price = Round2(UnitPrice(m, colour) * rate);
      NewLine(docId, id, colour, m.Quantity, price);
      sum += m.Quantity * price;
    }
    Docs[docId - 1].Sum = Round2(sum);
  }

  void Reservation(const QDate &date) {
    // A customer order put aside until its due date: lines at price 0, RESERVE lowered.
    int supplier = 0;
    QVector<int> rows;
    for (int tries = 0; rows.isEmpty() && tries < 10; ++tries) {
      supplier = m_rnd.Range(1, SupplierDefs().size());
      rows = StockToTake(supplier, m_rnd.Range(2, 5));
    }
    if (rows.isEmpty()) return;
    const QString number = ProposedNumber(QStringLiteral("3"));
    TDoc &doc = NewDoc(m_today.addDays(m_rnd.Range(4, 12)), KReservation, supplier);
    doc.LastUpdate = QDateTime(date, doc.LastUpdate.time());
    const int docId = doc.ID;
    doc.Num = number;
    doc.HasOrdLink = true;
    doc.OrdLink = QStringLiteral("Z-%1").arg(QString::number(date.year() % 100 * 10000 + date.dayOfYear() * 10 + 5));
    doc.Notes = QStringLiteral("Rezervēts klienta pasūtījumam");
    for (int index : rows) {
      TStock &s = Stock[index];
      const int qty = m_rnd.Range(1, std::max(1, static_cast<int>(std::floor(Available(s))) / 2));
      NewLine(docId, s.Material, s.Colour, qty, 0);
      s.Reserve -= qty;
    }
  }

  void Count(const QDate &date) {
    // A stock count of one supplier's materials; a few come out short and are written off
    // from their oldest lots through a shortage document, the rest agree.
    int supplier = 0;
    QVector<int> rows;
    for (int tries = 0; rows.size() < 3 && tries < 10; ++tries) {
      supplier = m_rnd.Range(1, SupplierDefs().size());
      rows = StockToTake(supplier, 8);
    }
    if (rows.isEmpty()) return;
    const QString number = ProposedNumber(QStringLiteral("4"));
    TDoc &header = NewDoc(date, KCount, -1);
    const int headerId = header.ID;
    header.Num = number;
    header.Notes = QStringLiteral("Inventarizācija");
    header.Paid = 1;
    const QDateTime stamp = header.LastUpdate;
    const int shortages = std::min<int>(rows.size(), m_rnd.Range(1, 3));
    TDoc &doc = NewDoc(date, KShortage, supplier);
    const int docId = doc.ID;
    doc.Num = number + QLatin1Char('L');
    doc.Notes = Docs[headerId - 1].Notes;
    doc.Paid = 1;
    doc.LastUpdate = stamp;
    double moved = 0;
    for (int i = 0; i < shortages; ++i) {
      TStock &s = Stock[rows[i]];
      const double before = OpenQuantity(s);
      const int difference = m_rnd.Range(1, std::max(1, std::min(5, static_cast<int>(std::floor(Available(s))))));
      const double value = Consume(docId, s, difference);
      moved += value;
      double remain = 0;
      for (int k = s.FirstOpen; k < s.Lots.size(); ++k) {
        const TLine &lot = Lines[s.Lots[k]];
        remain += (lot.Quantity - lot.QtyOut) * lot.Price;
      }
      CountRows << TCountRow{headerId, s.Material, s.Colour, before, before - difference, value, remain};
    }
    Docs[docId - 1].Sum = moved;
    // The header holds the value of every open lot of the store after the count.
    double store = 0;
    for (const TLine &l : Lines)
      if (l.IsLot) store += (l.Quantity - l.QtyOut) * l.Price;
    Docs[headerId - 1].Sum = store;
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------

TDemoSql DemoSql(int scale, const QDate &today) {
  if (scale < 1) throw std::invalid_argument("the demo scale must be 1 or more");
  if (!today.isValid()) throw std::invalid_argument("the demo date is not valid");
  TDemoSql out;
  TRandom rnd(0x5EED0001ULL);

  // Setup database.
  {
    TInsert ins(out.Setup, QStringLiteral("Setup"),
                QStringLiteral("NODEID,CAPTION,CHECKTYPE,SDATA,IDATA,FDATA,BDATA,ICATNAME,ICATID,BCATNAME,BCATID,CHECKSTATE"));
    for (const TNode &n : SetupNodes())
      ins.Row({Text(QString::fromLatin1(n.Key), 25), Text(n.Caption, 40), Int(0), Text(n.SData, 128), Int(n.IData),
               Num(n.FData), Int(n.BData), Text(QString(), 30), Int(0),
               Text(n.BCatID > 0 ? QStringLiteral("Images") : QString(), 30), Int(n.BCatID), Int(0)});
  }

  QStringList &m = out.Main;
  // Users and their tables.
  {
    TInsert ins(m, QStringLiteral("Users"), QStringLiteral("ID,LOGIN,NAME,MOBILE,EMAIL,LOCATION,DIVISION,ISLOCATIONADMIN,ISDIVISIONADMIN,ISLOCATIONVIEW,ISDIVISIONVIEW,WPREFIX,WMETHOD"));
    ins.Row({"1", Text("admin", 50), Text(QStringLiteral("Administrators"), 100), Text("", 50), Text("", 100), "1", "0", "1", "1", "1", "1", Text("A", 20), "0"});
    ins.Row({"2", Text("janis", 50), Text(QStringLiteral("Jānis Kalniņš"), 100), Text("+371 29000002", 50), Text("janis@darbnica.example", 100), "1", "1", "0", "0", "1", "0", Text("JK", 20), "1"});
    ins.Row({"3", Text("olga", 50), Text(QStringLiteral("Ольга Смирнова"), 100), Text("+371 29000003", 50), Text("olga@darbnica.example", 100), "1", "2", "0", "0", "1", "1", Text("OS", 20), "1"});
  }
  {
    TInsert ins(m, QStringLiteral("UserLocations"), QStringLiteral("ID,NAME,ADDRESS,PHONE,FAX,APREFIX,WPREFIX,AMETHOD,WMETHOD,ISDEALER,CUSTOMERLINK,DEFCITY,DISTANCEKM,SHIPPINGPLACE,SHIPPINGCOST,OWNWIN,OWNADD,OWNSILLS,CLIENTWIN,CLIENTADD,CLIENTSILLS"));
    ins.Row({"1", Text(QStringLiteral("Logu darbnīca"), 100), Text(QStringLiteral("Rīga, Galdnieku iela 5"), 200), Text("67000000", 50), Text("67000001", 50), Text("R", 20), Text("W", 20), "0", "0", "0", "0", "1", "0", "0", "0", "0", "0", "0", "0", "0", "0"});
  }
  {
    TInsert ins(m, QStringLiteral("UserAccGroups"), QStringLiteral("ID,NAME,ACC"));
    ins.Row({"1", Text(QStringLiteral("Noliktava"), 100), Text("2110", 50)});
    ins.Row({"2", Text(QStringLiteral("Ražošana"), 100), Text("7210", 50)});
  }
  {
    TInsert ins(m, QStringLiteral("Measures"), QStringLiteral("ID,NAME"));
    const QStringList measures = {QStringLiteral("шт."), QStringLiteral("м"), QStringLiteral("м2"), QStringLiteral("кг"),
                                  QStringLiteral("л"), QStringLiteral("компл."), QStringLiteral("упак.")};
    for (int i = 0; i < measures.size(); ++i) ins.Row({Int(i + 1), Text(measures[i], 20)});
  }
  {
    TInsert ins(m, QStringLiteral("Currencies"), QStringLiteral("ID,NAME,RATE"));
    ins.Row({"0", Text("EUR", 3), "1"});
    ins.Row({"1", Text("USD", 3), "0.92"});
    ins.Row({"2", Text("GBP", 3), "1.17"});
    ins.Row({"3", Text("SEK", 3), "0.087"});
  }
  {
    TInsert ins(m, QStringLiteral("DiscountGroups"), QStringLiteral("ID,NAME,DVALUE"));
    const QStringList names = {QStringLiteral("Без скидки"), QStringLiteral("Скидка 3%"), QStringLiteral("Скидка 5%"),
                               QStringLiteral("Скидка 10%"), QStringLiteral("Дилерская 15%")};
    const int values[5] = {0, 3, 5, 10, 15};
    for (int i = 0; i < names.size(); ++i) ins.Row({Int(i), Text(names[i], 50), Int(values[i])});
  }
  {
    TInsert ins(m, QStringLiteral("CatGroups"), QStringLiteral("ID,SUBID,NAME,MINVALUE,WASTE"));
    for (const TGroupRow &g : GroupRows())
      ins.Row({Int(g.ID), Int(g.SubID), Text(g.Name, 50), Int(g.MinValue), Num(g.Waste)});
  }
  {
    TInsert ins(m, QStringLiteral("Images"), QStringLiteral("ID,BITMAP"));
    auto hex = [](const QByteArray &b) { return QStringLiteral("X'") + QString::fromLatin1(b.toHex()) + QLatin1Char('\''); };
    ins.Row({"1", hex(AllGlyph())});
    for (int s = 0; s < Systems().size(); ++s) ins.Row({Int(2 + s), hex(SystemGlyph(Systems()[s].WoodRgb, s + 1))});
  }
  {
    TInsert ins(m, QStringLiteral("SCALA_MaterAccounts"), QStringLiteral("ID,ACODE,CATGROUPS"));
    ins.Row({"1", Text("7110", 20), Text("1", 255)});
    ins.Row({"2", Text("7120", 20), Text("2", 255)});
    ins.Row({"3", Text("7130", 20), Text("3,4", 255)});
    ins.Row({"4", Text("7140", 20), Text("5,6", 255)});
  }

  // The catalogue and the documents.
  QVector<TMaterial> materials;
  for (int copy = 0; copy < scale; ++copy) AddCatalogue(materials, copy, rnd);
  for (TMaterial &mat : materials)
    if (mat.Coloured && mat.Colours.isEmpty() && mat.Group == 1) mat.Colours = ProfileColours(mat.System, rnd);
  TLedger ledger(materials, today, scale, rnd);
  ledger.Run();

  {
    TInsert ins(m, QStringLiteral("Suppliers"),
                QStringLiteral("ID,NAME,JADDRESS,FADDRESS,PHONES,REGNUM,BANKNAME,BANKCODE,ACCOUNT,NOTES,LASTNUM"));
    for (int i = 0; i < SupplierDefs().size(); ++i) {
      const TSupplierDef &s = SupplierDefs()[i];
      ins.Row({Int(i + 1), Text(s.Name, 50), Text(s.JAddress, 50), Text(s.FAddress, 50), Text(s.Phones, 50),
               Text(s.RegNum, 25), Text(s.Bank, 50), Text(s.BankCode, 25), Text(s.Account, 25), Text(s.Notes, 80),
               Int(ledger.RequestsOf.value(i + 1))});
    }
  }
  {
    TInsert ins(m, QStringLiteral("Catalog"),
                QStringLiteral("ID,SYSTEMID,MAINGRP,NAME,COMMENTS,CATGROUP,SUBGROUP,MEASURE,PRICE0,PRICE1,PRICE2,PRICE3,PRICE4,"
                               "CURRENCY,DISCOUNTGROUP,SIZE,PACKUNITSIZE,SMALLPACK,BIGPACK,SUPPLIER,LENGTH,DELTA,IX,IY,"
                               "DELIVERY0,DELIVERY1,DELIVERY2,DELIVERY3,DELIVERY4,ISCOLOR"));
    for (const TMaterial &c : materials)
      ins.Row({Int(c.ID), Int(c.System), Int(c.MainGroup), Text(c.Name, 50), Text(c.Comments, 80), Int(c.Group),
               Int(c.Subgroup), Int(c.Measure), Num(c.Price[0]), Num(c.Price[1]), Num(c.Price[2]), Num(c.Price[3]),
               Num(c.Price[4]), Int(c.Currency), Int(c.Discount), Num(c.Size), Num(c.PackUnit), Num(c.SmallPack),
               Num(c.BigPack), Int(c.Supplier), Int(c.Length), Int(c.Delta), "0", "0", Int(c.Delivery[0]),
               Int(c.Delivery[1]), Int(c.Delivery[2]), Int(c.Delivery[3]), Int(c.Delivery[4]), Int(c.Coloured ? 1 : 0)});
  }
  {
    TInsert ins(m, QStringLiteral("Waybill"),
                QStringLiteral("ID,BDATE,NUM,ORDLINK,NOTES,ISOUT,SUPPLIERID,ISPAID,SUM,CURRENCY,CURRENCYRATE,USERID,LASTUPDATE,ISEXPORTED"));
    for (const TDoc &d : ledger.Docs)
      ins.Row({Int(d.ID), DateText(d.Date), Text(d.Num, 20), d.HasOrdLink ? Text(d.OrdLink, 30) : QStringLiteral("NULL"),
               Text(d.Notes, 50), Int(d.Kind), Int(d.Supplier), Int(d.Paid), Num(d.Sum),
               d.Currency >= 0 ? Int(d.Currency) : QStringLiteral("NULL"), d.Currency >= 0 ? Num(d.Rate) : QStringLiteral("NULL"),
               "1", DateTimeText(d.LastUpdate), "0"});
  }
  {
    TInsert ins(m, QStringLiteral("WaybillCont"), QStringLiteral("ID,WAYBILLID,CATID,COLOR,QUANTITY,PRICE,QTYOUT"));
    for (const TLine &l : ledger.Lines)
      ins.Row({Int(l.ID), Int(l.Doc), Int(l.Material), Int(l.Colour), Num(l.Quantity), Num(l.Price),
               l.IsLot ? Num(l.QtyOut) : QStringLiteral("NULL")});
  }
  {
    TInsert ins(m, QStringLiteral("WBList"), QStringLiteral("ID,INWBID,OUTWBID,OUTWBCONTID,INWBCONTID"));
    for (int i = 0; i < ledger.Links.size(); ++i) {
      const TLink &k = ledger.Links[i];
      ins.Row({Int(i + 1), Int(k.InDoc), Int(k.OutDoc), Int(k.OutLine), Int(k.InLine)});
    }
  }
  {
    TInsert ins(m, QStringLiteral("WaybillInventory"),
                QStringLiteral("ID,WAYBILLID,CATID,COLOR,QTYBEFORE,QTYAFTER,SUM,REMAIN"));
    for (int i = 0; i < ledger.CountRows.size(); ++i) {
      const TCountRow &r = ledger.CountRows[i];
      ins.Row({Int(i + 1), Int(r.Doc), Int(r.Material), Int(r.Colour), Num(r.Before), Num(r.After), Num(r.Sum),
               Num(r.Remain)});
    }
  }
  {
    TInsert ins(m, QStringLiteral("CatalogQty"), QStringLiteral("ID,CATID,COLOR,QUANTITY,RESERVE,LASTWBID"));
    for (const TStock &s : ledger.Stock)
      ins.Row({Int(s.ID), Int(s.Material), Int(s.Colour), Num(s.Quantity), Num(s.Reserve), Int(s.LastReceipt)});
  }
  return out;
}

}  // namespace whdemo
