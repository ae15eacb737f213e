#include "ZUExamMGraphItemDlg.h"

#include "ZUAnswerSheet.h"

#include <QHBoxLayout>

ZUExamMGraphItemDlg::ZUExamMGraphItemDlg(QWidget* parent)
    : ZUExamMItemBase(parent, 722, 40, 20)
    , m_graph(new QWidget(this))
{
    m_graph->setObjectName("GraphWidget");
    m_graph->setFixedWidth(440);
    auto* layout = new QHBoxLayout(m_graph);
    layout->setObjectName("HLayout");
    layout->setContentsMargins(0, 0, 0, 0);
    contentLayout()->addWidget(m_graph);
    contentLayout()->addStretch();
}

void ZUExamMGraphItemDlg::setData(int right, int wrong, int unanswered)
{
    // A kept row keeps its bar for the new counts; a bar of nobody shows nothing, so it is a fresh one.
    if (!m_sheet || right + wrong + unanswered <= 0) {
        delete m_sheet;
        m_sheet = new ZUAnswerSheet;
        m_graph->layout()->addWidget(m_sheet);
    }
    m_sheet->setTotalWidth(m_graph->width());
    m_sheet->setData(right, wrong, unanswered);
}
