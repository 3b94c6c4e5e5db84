#pragma once
// The benches print their own figures only: the offscreen platform's notes about window
// hints are dropped, every other message passes on.
#include <QtGlobal>

inline void QuietPlatformNotes() {
  static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (text.contains(QLatin1String("propagateSizeHints"))) return;
    if (previous) previous(type, context, text);
  });
}
