#include "ZUMovieLabel.h"

#include <QMovie>

ZUMovieLabel::ZUMovieLabel(const QString& fileName, QWidget* parent)
    : QLabel(parent)
    , m_movie(new QMovie(fileName, QByteArray(), this))
{
    setMovie(m_movie);
    // The first frame stands in while the label is not shown.
    m_movie->jumpToFrame(0);
}

void ZUMovieLabel::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    m_movie->start();
}

void ZUMovieLabel::hideEvent(QHideEvent* event)
{
    m_movie->stop();
    QLabel::hideEvent(event);
}
