#pragma once

#include "PaperListItem.h"

#include <QList>
#include <QMap>
#include <QString>

// The paper catalogue as the set-up dialog pages through it: seven papers a page, each page fetched from the
// web service when it is first reached forward and kept for going back, and every paper listed since the
// catalogue was last opened, by id.
class PaperCatalogue
{
public:
    static constexpr int kPageSize = 7;

    enum Step { Moved, Unchanged, Failed };

    // Forgets every page and paper and fetches page 1; false when the request failed.
    bool openFirstPage();
    // Fetches the next page; Unchanged on the last page or when the next one is empty, Failed (and the page
    // stays) when the request failed.
    Step nextPage();
    // The page before, as it was fetched; Unchanged on page 1.
    Step previousPage();

    int currentPage() const { return m_page; }
    int totalPages() const { return m_totalPages; }
    QList<PaperListItem> currentList() const { return m_pages.value(m_page); }
    // A paper listed since the catalogue was opened; an empty one otherwise.
    PaperListItem paper(const QString& paperID) const { return m_papers.value(paperID); }

private:
    bool fetch(int page, int& totalPages);

    QMap<QString, PaperListItem> m_papers;
    QMap<int, QList<PaperListItem>> m_pages;
    int m_page = 1;
    int m_totalPages = 0;
};
