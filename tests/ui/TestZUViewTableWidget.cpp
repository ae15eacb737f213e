#include "ZUNoSelLineEdit.h"
#include "ZUNoSelSpinBox.h"
#include "ZUStyledItemDelegate.h"
#include "ZUTAVNoFocusDelegate.h"
#include "ZUViewTableWidget.h"

#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

namespace {

QImage paintCell(const QStyledItemDelegate& delegate, const QModelIndex& index, QStyle::State state)
{
    QImage img(120, 30, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    QStyleOptionViewItem opt;
    opt.rect = QRect(0, 0, 120, 30);
    opt.state = state;
    opt.palette.setColor(QPalette::Text, Qt::black);
    delegate.paint(&painter, opt, index);
    return img;
}

} // namespace

class TestZUViewTableWidget : public QObject
{
    Q_OBJECT
private slots:
    void tableCannotSelectOrEdit();
    void noFocusDelegateIgnoresFocus();
    void styledDelegateDrawsBottomRuleOnly();
    void spinBoxTextNeverStaysSelected();
};

void TestZUViewTableWidget::tableCannotSelectOrEdit()
{
    ZUViewTableWidget table;
    table.setRowCount(2);
    table.setColumnCount(2);
    table.setItem(0, 0, new QTableWidgetItem(QStringLiteral("张三")));
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    const QRect cell = table.visualItemRect(table.item(0, 0));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(table.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QVERIFY(table.selectedItems().isEmpty());
    QVERIFY(!table.isPersistentEditorOpen(table.item(0, 0)));
    QVERIFY(!table.indexWidget(table.model()->index(0, 0)));
    QCOMPARE(table.item(0, 0)->text(), QStringLiteral("张三"));
}

void TestZUViewTableWidget::noFocusDelegateIgnoresFocus()
{
    QStandardItemModel model(1, 1);
    model.setData(model.index(0, 0), QStringLiteral("A"));
    ZUTAVNoFocusDelegate delegate;
    const QImage focused = paintCell(delegate, model.index(0, 0), QStyle::State_Enabled | QStyle::State_HasFocus);
    const QImage plain = paintCell(delegate, model.index(0, 0), QStyle::State_Enabled);
    QCOMPARE(focused, plain);
}

void TestZUViewTableWidget::styledDelegateDrawsBottomRuleOnly()
{
    QTableView view;
    view.setGridStyle(Qt::SolidLine);
    QStandardItemModel model(1, 1);
    ZUStyledItemDelegate delegate(&view);
    const QImage img = paintCell(delegate, model.index(0, 0), QStyle::State_Enabled | QStyle::State_HasFocus);
    const QColor rule = delegate.gridPen().color();
    QVERIFY(rule != QColor(Qt::white));
    for (int x = 0; x < img.width(); ++x)
        QCOMPARE(img.pixelColor(x, 29), rule);
    QCOMPARE(img.pixelColor(60, 0), QColor(Qt::white));
    QCOMPARE(img.pixelColor(0, 10), QColor(Qt::white));
}

void TestZUViewTableWidget::spinBoxTextNeverStaysSelected()
{
    ZUNoSelSpinBox spin;
    spin.setRange(0, 100);
    spin.setValue(30);
    spin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spin));
    QVERIFY(spin.noSelLineEdit());
    spin.selectAll();
    QVERIFY(!spin.noSelLineEdit()->hasSelectedText());
    spin.stepUp();
    QCOMPARE(spin.value(), 31);
    QVERIFY(!spin.noSelLineEdit()->hasSelectedText());
    spin.noSelLineEdit()->setSelection(0, 1);
    QVERIFY(!spin.noSelLineEdit()->hasSelectedText());
}

QTEST_MAIN(TestZUViewTableWidget)
#include "TestZUViewTableWidget.moc"
