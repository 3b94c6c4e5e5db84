#include "core/DocNumbers.h"

#include <QSet>

#include "core/DataUnit.h"
#include "platform/SysUtils.h"

void LockDocNumbers() {
  ExecSQL(QStringLiteral("insert into DocNumberLock (ID,SAVES) values(1,1) on duplicate key update SAVES=SAVES+1"));
}

QString FirstTakenNumber(const QStringList &numbers) {
  if (numbers.isEmpty()) return QString();
  QStringList literals;
  for (const QString &n : numbers) literals << QuoteSQL(n);
  // A locking read sees the latest committed rows, whatever the transaction read before.
  TQuery q;
  q.SQL = Format(QStringLiteral("select NUM from Waybill where NUM in (%s) limit 1 lock in share mode"),
                 {literals.join(QLatin1Char(','))});
  q.Open();
  // The server compares by its collation (no case, no trailing blanks): the stored number
  // that matched is the answer.
  const QString taken = q.IsEmpty() ? QString() : q.Rows().first().value(0).toString();
  q.Close();
  return taken;
}

void ClaimDocNumbers(const QStringList &numbers) {
  QSet<QString> seen;
  for (const QString &n : numbers) {
    QString key = n.toLower();
    while (key.endsWith(QLatin1Char(' '))) key.chop(1);
    if (seen.contains(key)) throw ENumberTaken(n);
    seen.insert(key);
  }
  const QString taken = FirstTakenNumber(numbers);
  if (!taken.isEmpty()) throw ENumberTaken(taken);
}
