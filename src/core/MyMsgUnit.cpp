#include "core/MyMsgUnit.h"

#include "core/Ledger.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "core/DataUnit.h"
#include "platform/Application.h"
#include "platform/Registry.h"

namespace {
bool g_settingsRead = false;
uint8_t g_charset = 255;
QString g_fontName = QStringLiteral("Tahoma");

struct ButtonKind {
  TMsgDlgBtn flag;
  const char *caption;
  int result;
};
const ButtonKind kKinds[] = {
    {mbYes, "&Yes", mrYes},       {mbNo, "&No", mrNo},             {mbOK, "OK", mrOk},
    {mbCancel, "Cancel", mrCancel}, {mbAbort, "&Abort", mrAbort}, {mbRetry, "&Retry", mrRetry},
    {mbIgnore, "&Ignore", mrIgnore}, {mbAll, "&All", mrAll},      {mbNoToAll, "N&o to All", mrNoToAll},
    {mbYesToAll, "Yes to &All", mrYesToAll}, {mbHelp, "&Help", mrNone},
};
// Every outermost transaction of the program shows the busy cursor while it runs.
class TBusyCursorIndicator : public TBusyIndicator {
  TBusyCursor m_cursor;
};
[[maybe_unused]] const bool kBusyHookSet = [] {
  TransactionBusyHook() = []() -> std::unique_ptr<TBusyIndicator> { return std::make_unique<TBusyCursorIndicator>(); };
  return true;
}();

}  // namespace

void ReloadMessageBoxSettings() {
  g_settingsRead = false;
  g_charset = 255;
  g_fontName = QStringLiteral("Tahoma");
  InitMessageBoxSettings();
}

void InitMessageBoxSettings() {
  if (g_settingsRead) return;
  g_settingsRead = true;
  // Each value on its own: one that cannot be read keeps its default and hides no other.
  TRegistry reg;
  try {
    if (!reg.OpenKey(QStringLiteral("SOFTWARE\\ORMAK Software\\Message box"), true)) return;
  } catch (const std::exception &) {
    return;  // the defaults stand
  }
  try {
    if (reg.ValueExists(QStringLiteral("Charset"))) {
      g_charset = static_cast<uint8_t>(reg.ReadInteger(QStringLiteral("Charset")));
    } else {
      g_charset = 255;
      reg.WriteInteger(QStringLiteral("Charset"), 255);
    }
  } catch (const std::exception &) {
  }
  try {
    if (reg.ValueExists(QStringLiteral("Font name"))) {
      g_fontName = reg.ReadString(QStringLiteral("Font name")).left(255);
    } else {
      g_fontName = QStringLiteral("Tahoma");
      reg.WriteString(QStringLiteral("Font name"), g_fontName);
    }
  } catch (const std::exception &) {
  }
}

uint8_t MessageBoxCharset() { return g_charset; }
QString MessageBoxFontName() { return g_fontName; }

TMessageForm::TMessageForm(const QString &msg, TMsgDlgType type, TMsgDlgButtons buttons)
    : QDialog(nullptr), m_message(msg) {
  setObjectName(QStringLiteral("MessageForm"));
  QFont f = QApplication::font("QMessageBox");
  f.setFamily(g_fontName);
  setFont(f);
  setWindowTitle(MsgDlgCaption(type));
  auto *outer = new QVBoxLayout(this);
  auto *row = new QHBoxLayout;
  QStyle::StandardPixmap icon = QStyle::SP_CustomBase;
  switch (type) {
    case TMsgDlgType::mtWarning: icon = QStyle::SP_MessageBoxWarning; break;
    case TMsgDlgType::mtError: icon = QStyle::SP_MessageBoxCritical; break;
    case TMsgDlgType::mtInformation: icon = QStyle::SP_MessageBoxInformation; break;
    case TMsgDlgType::mtConfirmation: icon = QStyle::SP_MessageBoxQuestion; break;
    case TMsgDlgType::mtCustom: break;
  }
  if (icon != QStyle::SP_CustomBase) {
    auto *img = new QLabel(this);
    img->setObjectName(QStringLiteral("Image"));
    img->setPixmap(style()->standardIcon(icon).pixmap(32, 32));
    row->addWidget(img, 0, Qt::AlignTop);
  }
  auto *text = new QLabel(msg, this);
  text->setObjectName(QStringLiteral("Message"));
  text->setWordWrap(true);
  text->setMinimumWidth(fontMetrics().averageCharWidth() * 30);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  row->addWidget(text, 1);
  outer->addLayout(row);
  auto *box = new QHBoxLayout;
  box->addStretch();
  bool first = true;
  for (const auto &k : kKinds) {
    if (!(buttons & k.flag)) continue;
    auto *b = new QPushButton(QString::fromLatin1(k.caption), this);
    b->setObjectName(QString::fromLatin1(k.caption).remove(QLatin1Char('&')).remove(QLatin1Char(' ')));
    const int result = k.result;
    if (k.flag == mbHelp) {
      b->setEnabled(false);
    } else {
      connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
    }
    if (first) {
      b->setDefault(true);
      first = false;
    }
    box->addWidget(b);
  }
  box->addStretch();
  outer->addLayout(box);
  if (buttons & mbCancel) m_escapeResult = mrCancel;
  else if (buttons & mbNo) m_escapeResult = mrNo;
  else if (buttons & mbOK) m_escapeResult = mrOk;
}

void TMessageForm::reject() { done(m_escapeResult); }

TMessageForm *CreateMessageDialog(const QString &msg, TMsgDlgType type, TMsgDlgButtons buttons) {
  InitMessageBoxSettings();
  auto *form = new TMessageForm(msg, type, buttons);
  form->adjustSize();
  if (QScreen *s = QGuiApplication::primaryScreen()) {
    const QRect r = s->availableGeometry();
    form->move(r.center() - QPoint(form->width() / 2, form->height() / 2));
  }
  return form;
}

int MessageDlgPosHelp(const QString &msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx,
                      int x, int y, const QString &helpFileName) {
  // Under other dialogs (the tests' scripted ones) the box goes through the seam like every
  // other box: only the program's own dialogs place it.
  if (!dynamic_cast<TProgramDialogs *>(&Dialogs()))
    return Dialogs().MessageBox(nullptr, MsgDlgCaption(type), msg, type, buttons);
  std::unique_ptr<TMessageForm> form(CreateMessageDialog(msg, type, buttons));
  form->HelpContext = helpCtx;
  form->HelpFile = helpFileName;
  if (x >= 0) form->move(x, form->y());
  if (y >= 0) form->move(form->x(), y);
  const int r = form->exec();
  return r == 0 ? mrCancel : r;
}

void ShowMessage(const QString &msg) {
  Dialogs().MessageBox(nullptr, ApplicationTitle(), msg, TMsgDlgType::mtCustom, mbOK);
}

void ShowMessagePos(const QString &msg, int x, int y) {
  MessageDlgPosHelp(msg, TMsgDlgType::mtCustom, mbOK, 0, x, y, QString());
}

int TProgramDialogs::MessageBox(QWidget *parent, const QString &caption, const QString &text,
                                TMsgDlgType type, TMsgDlgButtons buttons) {
  Q_UNUSED(parent);
  std::unique_ptr<TMessageForm> form(CreateMessageDialog(text, type, buttons));
  if (type == TMsgDlgType::mtCustom) form->setWindowTitle(caption);
  const int r = form->exec();
  return r == 0 ? mrCancel : r;
}

void ShowStockUpdateFailure(const std::exception &error) {
  if (dynamic_cast<const EStockUpdate *>(&error))
    ShowMessage(QStringLiteral("Ошибка при обновлении таблицы CatalogQty."));
}
