#pragma once

#include <QLabel>

class QMovie;

// A label that plays an animated picture only while it is on screen: a hidden animation would still wake
// the interface thread for every frame.
class ZUMovieLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ZUMovieLabel(const QString& fileName, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QMovie* m_movie;
};
