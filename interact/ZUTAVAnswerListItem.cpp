#include "ZUTAVAnswerListItem.h"

#include "ZUTAVAnswerList.h"
#include "ZUTAVNoFocusDelegate.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QTableWidget>

namespace {
const int kTableWidth = 601;
const int kColumn = 103;
const int kRow = 36;
} // namespace

ZUTAVAnswerListItem::ZUTAVAnswerListItem(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("ZUTAVStatisticalTableItemDialog");
    setStyleSheet("QDialog#ZUTAVStatisticalTableItemDialog{border: none; background: transparent;}");
    setFixedWidth(740);
    m_option = new QLabel(this);
    m_option->setObjectName("optionLabel");
    m_option->setAlignment(Qt::AlignCenter);
    m_option->setWordWrap(true);
    m_option->setTextFormat(Qt::PlainText);
    m_option->setFont(QFont("Arial", 24));
    m_option->setStyleSheet("color: rgb(57, 186, 96);");
    m_option->setGeometry(6, 0, 124, 108);
    m_count = new QLabel(this);
    m_count->setObjectName("NumLbl");
    m_count->setAlignment(Qt::AlignCenter);
    m_count->setFixedSize(48, 21);
    m_count->setStyleSheet("background-color: rgb(255, 137, 10);\ncolor: rgb(255, 255, 255);\nborder-radius:10px;"
                           "font: 14pt;");
    m_names = new QTableWidget(this);
    m_names->setObjectName("AnswerNamesTableWidget");
    m_names->setColumnCount(kTableWidth / kColumn);
    m_names->setFrameShape(QFrame::NoFrame);
    m_names->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_names->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_names->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_names->setSelectionMode(QAbstractItemView::NoSelection);
    m_names->setShowGrid(false);
    m_names->horizontalHeader()->hide();
    m_names->verticalHeader()->hide();
    m_names->setFocusPolicy(Qt::NoFocus);
    m_names->setItemDelegate(new ZUTAVNoFocusDelegate(m_names));
    m_names->setStyleSheet("QTableWidget{background: transparent; color: rgb(85, 85, 85); font: 16pt;}");
    m_names->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_names->setGeometry(134, 0, kTableWidth, kRow);
    for (int c = 0; c < m_names->columnCount(); ++c)
        m_names->setColumnWidth(c, kColumn);
    auto* line = new QFrame(this);
    line->setObjectName("line");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(1);
    line->setProperty("isLine", true);
    connect(this, &ZUTAVAnswerListItem::clicked, this,
            &ZUTAVAnswerListItem::on_ZUTAVStatisticalTableItemDialog_clicked);
}

QString ZUTAVAnswerListItem::labelText() const
{
    return m_option->text();
}

QString ZUTAVAnswerListItem::countText() const
{
    return m_count->text();
}

void ZUTAVAnswerListItem::setOptionFont(const QFont& font)
{
    m_option->setFont(font);
}

QString ZUTAVAnswerListItem::wrapOption(const QString& text)
{
    bool numeric = false;
    text.toDouble(&numeric);
    if (numeric)
        return text;
    QString shown;
    for (int i = 0; i < text.size(); ++i) {
        if (i >= 4 && (i - 4) % 3 == 0)
            shown += '\n';
        shown += text.at(i);
    }
    return shown;
}

int ZUTAVAnswerListItem::setData(const QString& text, const QStringList& names)
{
    m_text = text;
    m_count->setText(QString::number(names.size()) + tr("人"));
    const int columns = m_names->columnCount();
    const int rows = (names.size() + columns - 1) / columns;
    m_names->setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        m_names->setRowHeight(r, kRow);
    const int tableHeight = rows < 3 ? rows * kRow : rows * kRow + 10;
    m_names->setFixedHeight(tableHeight);
    const int height = qMax(qMax(rows, 3) * kRow, tableHeight + 10);
    setFixedHeight(height);
    m_option->setText(wrapOption(text));
    m_option->setGeometry(6, 0, 124, height);
    m_names->move(134, qMax(0, (height - tableHeight) / 2));
    m_count->move(width() - m_count->width() - 12, 10);
    if (QFrame* line = findChild<QFrame*>("line"))
        line->setGeometry(10, height - 1, width() - 20, 1);
    for (int k = 0; k < names.size(); ++k) {
        auto* item = new QTableWidgetItem(names.at(k));
        item->setTextAlignment(Qt::AlignCenter);
        m_names->setItem(k / columns, k % columns, item);
    }
    return height;
}

void ZUTAVAnswerListItem::mouseReleaseEvent(QMouseEvent* e)
{
    QDialog::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton)
        emit clicked();
}

void ZUTAVAnswerListItem::on_ZUTAVStatisticalTableItemDialog_clicked()
{
    static const QStringList kNoAnswer { "未作答", "抢答成功", "参与", "未参与" };
    if (kNoAnswer.contains(m_text))
        return;
    ZUTAVAnswerList::getInstance()->setRightAnswer(this, m_text);
}
