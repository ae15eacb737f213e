#include "ZUTAVDialogBase.h"
#include "ZUTAVLPPushbtn.h"
#include "ZUTAVPushbtn.h"
#include "ZUTableWidBaseDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

void sendMouse(QWidget* w, QEvent::Type type, const QPoint& global, Qt::MouseButton button)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, w->mapFromGlobal(global), global, type == QEvent::MouseMove ? Qt::NoButton : button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Exposes the protected drag hooks of the tile base.
class TileProbe : public ZUTableWidBaseDlg
{
public:
    using ZUTableWidBaseDlg::ZUTableWidBaseDlg;
};

} // namespace

class TestZUTAVDialogBase : public QObject
{
    Q_OBJECT
private slots:
    void dragMovesWindowAndEmitsDlgMove_data();
    void dragMovesWindowAndEmitsDlgMove();
    void escapeLeavesDialogOpen();
    void otherKeysStillReachDialog();
    void centreButtonClickEmitsRelease();
    void centreButtonDragMovesBarWithoutRelease();
    void shortPressEmitsZupress();
    void longPressEmitsZulpressOnce();
    void tileAcceptsOnlySeatDrag_data();
    void tileAcceptsOnlySeatDrag();
};

void TestZUTAVDialogBase::dragMovesWindowAndEmitsDlgMove_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("left") << int(Qt::LeftButton);
    QTest::newRow("right") << int(Qt::RightButton);
    QTest::newRow("middle") << int(Qt::MiddleButton);
}

void TestZUTAVDialogBase::dragMovesWindowAndEmitsDlgMove()
{
    QFETCH(int, button);
    ZUTAVDialogBase dlg;
    dlg.resize(200, 100);
    dlg.move(100, 100);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QVERIFY(dlg.windowFlags() & Qt::FramelessWindowHint);
    QSignalSpy moved(&dlg, &ZUTAVDialogBase::dlgMove);

    const QPoint start = dlg.pos();
    const QPoint grip = dlg.mapToGlobal(QPoint(20, 20));
    sendMouse(&dlg, QEvent::MouseButtonPress, grip, Qt::MouseButton(button));
    QVERIFY(dlg.isDragging());
    sendMouse(&dlg, QEvent::MouseMove, grip + QPoint(30, 5), Qt::MouseButton(button));
    sendMouse(&dlg, QEvent::MouseMove, grip + QPoint(50, 40), Qt::MouseButton(button));
    QCOMPARE(dlg.pos(), start + QPoint(50, 40));
    QCOMPARE(moved.count(), 2);

    sendMouse(&dlg, QEvent::MouseButtonRelease, grip + QPoint(50, 40), Qt::MouseButton(button));
    QVERIFY(!dlg.isDragging());
    sendMouse(&dlg, QEvent::MouseMove, grip + QPoint(90, 90), Qt::NoButton);
    QCOMPARE(dlg.pos(), start + QPoint(50, 40));
    QCOMPARE(moved.count(), 2);
}

void TestZUTAVDialogBase::escapeLeavesDialogOpen()
{
    ZUTAVDialogBase dlg;
    QSignalSpy rejected(&dlg, &QDialog::rejected);
    dlg.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
    QCOMPARE(rejected.count(), 0);
}

void TestZUTAVDialogBase::otherKeysStillReachDialog()
{
    ZUTAVDialogBase dlg;
    auto* edit = new QLineEdit(&dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("ab"));
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(edit->text(), QStringLiteral("ab"));
    QVERIFY(dlg.isVisible());
}

void TestZUTAVDialogBase::centreButtonClickEmitsRelease()
{
    ZUTAVDialogBase bar;
    auto* btn = new ZUTAVPushbtn(&bar);
    btn->setGeometry(10, 10, 60, 60);
    bar.show();
    QSignalSpy released(btn, &ZUTAVPushbtn::zurelease);
    QSignalSpy clicked(btn, &QPushButton::clicked);
    const QPoint at = btn->mapToGlobal(QPoint(30, 30));
    sendMouse(btn, QEvent::MouseButtonPress, at, Qt::LeftButton);
    sendMouse(btn, QEvent::MouseButtonRelease, at, Qt::LeftButton);
    QCOMPARE(released.count(), 1);
    QCOMPARE(clicked.count(), 0);
}

void TestZUTAVDialogBase::centreButtonDragMovesBarWithoutRelease()
{
    ZUTAVDialogBase bar;
    auto* btn = new ZUTAVPushbtn(&bar);
    btn->setGeometry(10, 10, 60, 60);
    bar.move(200, 200);
    bar.show();
    QSignalSpy released(btn, &ZUTAVPushbtn::zurelease);
    QSignalSpy moved(&bar, &ZUTAVDialogBase::dlgMove);
    const QPoint at = btn->mapToGlobal(QPoint(30, 30));
    sendMouse(btn, QEvent::MouseButtonPress, at, Qt::LeftButton);
    sendMouse(btn, QEvent::MouseMove, at + QPoint(-40, 25), Qt::LeftButton);
    sendMouse(btn, QEvent::MouseButtonRelease, at + QPoint(-40, 25), Qt::LeftButton);
    QCOMPARE(released.count(), 0);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(bar.pos(), QPoint(160, 225));
}

void TestZUTAVDialogBase::shortPressEmitsZupress()
{
    ZUTAVLPPushbtn btn;
    btn.resize(50, 50);
    btn.show();
    QSignalSpy shortPress(&btn, &ZUTAVLPPushbtn::zupress);
    QSignalSpy longPress(&btn, &ZUTAVLPPushbtn::zulpress);
    QSignalSpy clicked(&btn, &QPushButton::clicked);
    QTest::mousePress(&btn, Qt::LeftButton, Qt::NoModifier, QPoint(25, 25));
    QTest::mouseRelease(&btn, Qt::LeftButton, Qt::NoModifier, QPoint(25, 25));
    QCOMPARE(shortPress.count(), 1);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!longPress.wait(ZUTAVLPPushbtn::longPressMs + 200));
}

void TestZUTAVDialogBase::longPressEmitsZulpressOnce()
{
    ZUTAVLPPushbtn btn;
    btn.resize(50, 50);
    btn.show();
    QSignalSpy shortPress(&btn, &ZUTAVLPPushbtn::zupress);
    QSignalSpy longPress(&btn, &ZUTAVLPPushbtn::zulpress);
    QSignalSpy clicked(&btn, &QPushButton::clicked);
    QTest::mousePress(&btn, Qt::LeftButton, Qt::NoModifier, QPoint(25, 25));
    QVERIFY(longPress.wait(3000));
    QCOMPARE(longPress.first().first().value<ZUTAVLPPushbtn*>(), &btn);
    QTest::mouseRelease(&btn, Qt::LeftButton, Qt::NoModifier, QPoint(25, 25));
    QCOMPARE(longPress.count(), 1);
    QCOMPARE(shortPress.count(), 0);
    QCOMPARE(clicked.count(), 1);
}

void TestZUTAVDialogBase::tileAcceptsOnlySeatDrag_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("seat") << QStringLiteral("custom/sign_drag") << true;
    QTest::newRow("text") << QStringLiteral("text/plain") << false;
    QTest::newRow("similar") << QStringLiteral("custom/sign_drag2") << false;
}

void TestZUTAVDialogBase::tileAcceptsOnlySeatDrag()
{
    QFETCH(QString, format);
    QFETCH(bool, accepted);
    QWidget table;
    TileProbe tile(&table);
    QVERIFY(tile.acceptDrops());
    QMimeData mime;
    mime.setData(format, QByteArrayLiteral("2,3"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(&tile, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (accepted)
        QCOMPARE(enter.dropAction(), Qt::MoveAction);
}

QTEST_MAIN(TestZUTAVDialogBase)
#include "TestZUTAVDialogBase.moc"
