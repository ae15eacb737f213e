#include "ZUStuLinkItem.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

const int kFullTicks = 105;
// The single-precision 3.4 of the ring's degrees per tick, multiplied in double precision.
const double kDegreesPerTick = double(3.4f);

struct Picture
{
    QPixmap pixmap;
    int size = 0;
};

// Loaded on first use and kept for every tile.
const Picture& picture(int state)
{
    static const Picture pictures[4] = {
        { QPixmap(QCoreApplication::applicationDirPath() + "/Resources/images/binding/tav_link_default.png"), 94 },
        { QPixmap(QCoreApplication::applicationDirPath() + "/Resources/images/binding/tav_link_fn.png"), 75 },
        { QPixmap(QCoreApplication::applicationDirPath() + "/Resources/images/binding/tav_link_sign.png"), 0 },
        { QPixmap(QCoreApplication::applicationDirPath() + "/Resources/images/binding/tav_link_suc.png"), 94 },
    };
    return pictures[state];
}

} // namespace

ZUStuLinkItem::ZUStuLinkItem(QWidget* parent)
    : QWidget(parent)
    , m_nameLbl(new QLabel(this))
{
    setObjectName("ZUTAVStuLink");
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setToolTipDuration(-1);
    setFixedSize(106, 128);
    setCursor(Qt::PointingHandCursor);
    m_nameLbl->setObjectName("NameLbl");
    m_nameLbl->setGeometry(0, 107, 106, 21);
    m_nameLbl->setAlignment(Qt::AlignBottom | Qt::AlignHCenter);
    m_nameLbl->setTextFormat(Qt::PlainText);
    m_nameLbl->setStyleSheet("color: rgb(85, 85, 85); font-size: 13pt;");
}

void ZUStuLinkItem::setStuInfo(const QString& sn, const QString& dovaneID, const QString& name,
                               const QString& stationSn)
{
    m_sn = sn;
    m_dovaneID = dovaneID;
    m_stationSn = stationSn;
    m_nameLbl->setText(name);
    setToolTip(QString("<html><head/><body><p><span style=' font-size:12pt; '>%1</span></p></body></html>")
                   .arg(dovaneID.toHtmlEscaped()));
}

QString ZUStuLinkItem::name() const
{
    return m_nameLbl->text();
}

void ZUStuLinkItem::setState(int state)
{
    m_state = state;
    if (state < Default || state > Suc)
        return;
    const Picture& p = picture(state);
    m_picture = &p.pixmap;
    // The key-press picture follows the keypad-id one and keeps its size.
    if (p.size > 0) {
        m_pictureWidth = p.size;
        m_pictureHeight = p.size;
    }
    repaint();
}

void ZUStuLinkItem::setCountdown(int value, bool floorAtSix)
{
    m_countdown = floorAtSix ? qMax(6, value) : value;
    m_ringPending = true;
    repaint();
}

int ZUStuLinkItem::ringSpan(int countdown)
{
    return int(kDegreesPerTick * (kFullTicks - countdown) * 16);
}

int ZUStuLinkItem::ringStart(int countdown)
{
    return int((90 - kDegreesPerTick * (kFullTicks - countdown)) * 16);
}

void ZUStuLinkItem::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_ringPending && m_state != Fn && m_state != Sign) {
        if (m_picture)
            painter.drawPixmap(QRect(4, 5, m_pictureWidth, m_pictureHeight), *m_picture);
        return;
    }
    m_ringPending = false;
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect square(6, 7, 89, 89);
    painter.setPen(QPen(QColor(230, 230, 230), 5));
    painter.drawEllipse(square);
    painter.setPen(QPen(QColor(250, 172, 89), 5));
    painter.drawArc(square, ringStart(m_countdown), ringSpan(m_countdown));
    if (m_picture)
        painter.drawPixmap(QRect(13, 14, m_pictureWidth, m_pictureHeight), *m_picture);
}

void ZUStuLinkItem::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        emit clicked();
}
