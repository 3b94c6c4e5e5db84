#pragma once
// The program's message box: information messages in a box whose font charset and face come
// from the registry key "SOFTWARE\ORMAK Software\Message box".
#include <QDialog>
#include <QString>
#include <cstdint>
#include <exception>

#include "platform/Dialogs.h"

class TMessageForm : public QDialog {
  Q_OBJECT
 public:
  TMessageForm(const QString &msg, TMsgDlgType type, TMsgDlgButtons buttons);
  QString Message() const { return m_message; }
  int HelpContext = 0;
  QString HelpFile;
  // Escape and the window's close button answer as the box's cancelling button: Cancel,
  // else No, else OK; a question is never taken as agreed by closing it.
  void reject() override;

 private:
  QString m_message;
  int m_escapeResult = mrCancel;
};

// Reads (and on first use writes) the message-box settings: once per run.
void InitMessageBoxSettings();
// Forgets what was read and reads (and writes) the settings again.
void ReloadMessageBoxSettings();
uint8_t MessageBoxCharset();
QString MessageBoxFontName();

void ShowMessage(const QString &msg);
void ShowMessagePos(const QString &msg, int x, int y);
int MessageDlgPosHelp(const QString &msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx,
                      int x, int y, const QString &helpFileName);
TMessageForm *CreateMessageDialog(const QString &msg, TMsgDlgType type, TMsgDlgButtons buttons);

// The real dialogs of the program: message boxes are its own message form.
class TProgramDialogs : public TRealDialogs {
 public:
  int MessageBox(QWidget *parent, const QString &caption, const QString &text, TMsgDlgType type,
                 TMsgDlgButtons buttons) override;
};

// The stock rows' own message, "Ошибка при обновлении таблицы CatalogQty.", for an action that
// failed on a stock row (EStockUpdate): shown once the action's transaction has ended, never
// while it holds row locks and never for an attempt that a retry then completed. Does nothing
// for other errors.
void ShowStockUpdateFailure(const std::exception &error);
