#include "PaperCatalogue.h"

#include "ZUExamSer.h"

bool PaperCatalogue::fetch(int page, int& totalPages)
{
    QList<PaperListItem> papers;
    const bool fetched = ZUExamSer::getInstance()->getPaperList(page, kPageSize, totalPages, papers) == 0;
    m_pages.insert(page, papers);
    if (fetched) {
        for (const PaperListItem& paper : qAsConst(papers))
            m_papers.insert(paper.paperID, paper);
    }
    return fetched;
}

bool PaperCatalogue::openFirstPage()
{
    m_papers.clear();
    m_pages.clear();
    m_page = 1;
    m_totalPages = 0;
    return fetch(1, m_totalPages);
}

PaperCatalogue::Step PaperCatalogue::nextPage()
{
    if (m_totalPages <= m_page)
        return Unchanged;
    // The count of pages stays the one page 1 gave.
    int totalPages = 0;
    if (!fetch(m_page + 1, totalPages))
        return Failed;
    if (m_pages.value(m_page + 1).isEmpty())
        return Unchanged;
    ++m_page;
    return Moved;
}

PaperCatalogue::Step PaperCatalogue::previousPage()
{
    if (m_page < 2)
        return Unchanged;
    --m_page;
    return Moved;
}
