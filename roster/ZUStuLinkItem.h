#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPixmap;

// One student's tile on the keypad binding screen: a picture of the binding state with the name under it, and
// during a binding a ring that fills as the time runs out. A left click asks the screen to bind this student.
class ZUStuLinkItem : public QWidget
{
    Q_OBJECT
public:
    enum State { Default = 0, Fn = 1, Sign = 2, Suc = 3 };

    explicit ZUStuLinkItem(QWidget* parent = nullptr);

    void setStuInfo(const QString& sn, const QString& dovaneID, const QString& name, const QString& stationSn);
    QString dovaneID() const { return m_dovaneID; }
    QString sn() const { return m_sn; }
    QString stationSn() const { return m_stationSn; }
    QString name() const;
    void setSn(const QString& sn) { m_sn = sn; }
    void setStationSn(const QString& stationSn) { m_stationSn = stationSn; }

    int state() const { return m_state; }
    void setState(int state);
    int countdown() const { return m_countdown; }
    void setCountdown(int value, bool floorAtSix);

    // The ring's arc for a countdown, in sixteenths of a degree: it grows clockwise from twelve o'clock.
    static int ringSpan(int countdown);
    static int ringStart(int countdown);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QLabel* m_nameLbl;
    QString m_dovaneID;
    QString m_sn;
    QString m_stationSn;
    int m_countdown = 0;
    int m_state = Default;
    bool m_ringPending = false;
    const QPixmap* m_picture = nullptr;
    int m_pictureWidth = -1;
    int m_pictureHeight = -1;
};
