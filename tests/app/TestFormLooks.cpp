// The forms of every folder keep their look when the program lies in a folder whose name holds an accented
// letter (the test runs from one, "Übung"): Qt parses each style sheet, and every picture the sheets name is
// found through "images:".
#include "DbTestSupport.h"
#include "StyleSheetProbe.h"
#include "ZUFormFrame.h"
#include "ZUFreeActBar_left.h"
#include "ZUFreeActBar_right.h"
#include "ZUFreeCard.h"
#include "ZUInputDlg.h"
#include "ZULoginDlg.h"
#include "ZUMakePaper.h"
#include "ZUPaperAnalyDlg.h"
#include "ZUSetUpDlg.h"
#include "ZUStepExamDlg.h"
#include "ZUStuLinkDlg.h"
#include "ZUStuRankingDlg.h"
#include "ZUStuSignDlg.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTAVExamSetDlg.h"
#include "ZUTAVInteractSData.h"
#include "ZUTAVRandomStu.h"
#include "ZUTeamExamDlg.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>

namespace {

// A frameless form as the tool bar's forms build it: the shared title bar with its picture buttons.
QWidget* framedForm()
{
    auto* form = new QDialog;
    form->setStyleSheet(ZUFormFrame::styleSheet(QStringLiteral("#okBtn { border-image: url(@autoMsg/btn.png); }")));
    QVBoxLayout* layout = ZUFormFrame::addMainFrame(form);
    ZUFormFrame::addTitleBar(layout, QStringLiteral("标题"), { { "minBtn", QString() }, { "closeBtn", QString() } });
    auto* ok = new QPushButton(form);
    ok->setObjectName("okBtn");
    layout->addWidget(ok);
    return form;
}

QWidget* messageBox(int icon)
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    box->setButtons(2, icon);
    return box;
}

const QMap<QString, std::function<QWidget*()>>& forms()
{
    static const QMap<QString, std::function<QWidget*()>> all {
        { "ui: frame and title bar", framedForm },
        { "ui: message box", [] { return messageBox(0); } },
        { "ui: message box, second icon", [] { return messageBox(1); } },
        { "ui: input box", [] { return ZUInputDlg::getInstance(); } },
        { "ui: notice", [] { return ZUTAVAutoMsg::getInstance(); } },
        { "toolbar: login", [] { return new ZULoginDlg; } },
        { "toolbar: tool bar", [] { return ZUToolBarDlg::getInstance(); } },
        { "toolbar: lesson preparation", [] { return ZUMakePaper::getInstance(); } },
        { "roster: binding", [] { return ZUStuLinkDlg::getInstance(); } },
        { "roster: settings", [] { return ZUSetUpDlg::getInstance(); } },
        { "roster: sign-in", [] { return ZUStuSignDlg::getInstance(); } },
        { "exam: set-up", [] { return ZUTAVExamSetDlg::getInstance(); } },
        // Its seats paint their pictures without a style sheet: TestZUTeamExamDlg reads them from their pixels.
        { "exam: all at once", [] { return ZUTeamExamDlg::getInstance(); } },
        { "exam: question by question", [] { return ZUStepExamDlg::getInstance(); } },
        { "interact: menu", [] { return ZUFreeActBar_right::getInstance(); } },
        { "interact: answering panel", [] { return ZUFreeActBar_left::getInstance(); } },
        { "interact: yes/no card", [] { return ZUFreeWhether::getInstance(); } },
        { "interact: report", [] { return ZUTAVInteractSData::getInstance(); } },
        { "interact: random pick", [] { return ZUTAVRandomStu::getInstance(); } },
        { "stats: paper analysis", [] { return ZUPaperAnalyDlg::getInstance(); } },
        { "stats: ranking", [] { return ZUStuRankingDlg::getInstance(); } },
    };
    return all;
}

} // namespace

class TestFormLooks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QCoreApplication::applicationDirPath().contains(QStringLiteral("Übung")),
                 qPrintable(QCoreApplication::applicationDirPath()));
        QVERIFY(DbTestSupport::freshDatabase());
        // The program's own sheet, as start-up sets it.
        QFile sheet(TAV_BIN_DIR "/ZUTAVApplication.qss");
        QVERIFY(sheet.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromLatin1(sheet.readAll()));
    }

    void programSheetFindsItsPictures()
    {
        StyleSheetProbe probe;
        probe.read(qApp->styleSheet());
        QWidget window;
        probe.look(&window);
        QCOMPARE(probe.problems(), QStringList());
        QVERIFY(!probe.pictures().isEmpty());
    }

    void stylesParseAndFindTheirPictures_data()
    {
        QTest::addColumn<QString>("form");
        for (const QString& name : forms().keys())
            QTest::newRow(qPrintable(name)) << name;
    }

    void stylesParseAndFindTheirPictures()
    {
        QFETCH(QString, form);
        StyleSheetProbe probe;
        QWidget* widget = forms().value(form)();
        probe.look(widget);
        QCOMPARE(probe.problems(), QStringList());
        QVERIFY(!probe.pictures().isEmpty());
    }
};

TAV_DB_TEST_MAIN(TestFormLooks)
#include "TestFormLooks.moc"
