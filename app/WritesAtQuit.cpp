#include "WritesAtQuit.h"

#include "TavWriteCause.h"
#include "ZUTipDlg.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QStringList>

namespace WritesAtQuit {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("WritesAtQuit", text);
}

void addOnce(QStringList* list, const QString& words)
{
    if (!list->contains(words))
        list->append(words);
}

void show(const Words& words)
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    // The one box may still be up (a question of the tool bar's exit).
    if (box->isVisible()) {
        ZUTipDlg::execApart(words.text, words.title, ZUTipDlg::Yes, 0);
        return;
    }
    box->setText(words.text, words.title);
    box->setButtons(ZUTipDlg::Yes, 0);
    box->exec();
}

} // namespace

void install(QCoreApplication* app)
{
    QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { finish(); });
}

bool finish()
{
    // The last window that closes meanwhile (a notice closing by itself) must not end the wait nor the box.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    TavWriteBehind* writer = TavWriteBehind::getInstance();
    if (writer->finish())
        return true;
    const QList<TavWriteBehind::Unwritten> left = writer->unwritten();
    qWarning() << "****at the program's end" << left.size() << "writes are not in the database file,"
               << (writer->recordedAll() ? "the next start writes them:" : "some of them are lost:");
    for (const QString& line : writer->describeUnwritten())
        qWarning().noquote() << "****" + line;
    const Words words = wordsFor(left, writer->lastCause());
    qWarning().noquote() << "****the teacher is told: " + words.text;
    show(words);
    return false;
}

Words wordsFor(const QList<TavWriteBehind::Unwritten>& left, int cause)
{
    QStringList recorded;
    QStringList lost;
    for (const TavWriteBehind::Unwritten& write : left) {
        QString what = TavWriteBehind::wordsOf(write.write.kind);
        if (what.isEmpty())
            what = tr("其他课堂数据");
        addOnce(write.recorded ? &recorded : &lost, what);
    }
    // Said once, as lost, when part of it is lost.
    for (const QString& what : qAsConst(lost))
        recorded.removeAll(what);
    if (recorded.isEmpty() && lost.isEmpty())
        return {};
    const TavWriteCause::Cause why = cause == TavWriteCause::None ? TavWriteCause::Other : TavWriteCause::Cause(cause);
    const QString separator = tr("、");
    QString text;
    if (!lost.isEmpty())
        text = tr("%1，%2未能保存，请联系管理员。").arg(TavWriteCause::text(why), lost.join(separator));
    if (!recorded.isEmpty()) {
        const QString kept = tr("%1尚未写入数据库，已保存在本机，下次启动时自动写入。").arg(recorded.join(separator));
        text = lost.isEmpty() ? TavWriteCause::text(why) + tr("，") + kept : text + QLatin1Char('\n') + kept;
    }
    return { lost.isEmpty() ? tr("提示") : tr("错误"), text };
}

} // namespace WritesAtQuit
