// The generated program directory: every picture, animation and sound the screens name is there
// under its exact name, loads in Qt, and the style sheet parses and leaves picture buttons alone.

#include <QCheckBox>
#include <QComboBox>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {

QString binPath(const QString& rel)
{
    return QStringLiteral(TAV_BIN_DIR) + QLatin1Char('/') + rel;
}

QStringList g_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings << text;
}

struct WavInfo
{
    bool ok = false;
    quint16 format = 0;
    quint16 channels = 0;
    quint32 rate = 0;
    quint16 bits = 0;
    QByteArray data;
};

WavInfo readWav(const QString& path)
{
    WavInfo info;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return info;
    const QByteArray all = f.readAll();
    if (all.size() < 12 || all.left(4) != "RIFF" || all.mid(8, 4) != "WAVE")
        return info;
    int pos = 12;
    bool fmt = false;
    while (pos + 8 <= all.size()) {
        const QByteArray id = all.mid(pos, 4);
        QDataStream size(all.mid(pos + 4, 4));
        size.setByteOrder(QDataStream::LittleEndian);
        quint32 len = 0;
        size >> len;
        const QByteArray body = all.mid(pos + 8, int(len));
        if (id == "fmt " && body.size() >= 16) {
            QDataStream s(body);
            s.setByteOrder(QDataStream::LittleEndian);
            quint32 byteRate;
            quint16 align;
            s >> info.format >> info.channels >> info.rate >> byteRate >> align >> info.bits;
            fmt = true;
        } else if (id == "data") {
            info.data = body;
        }
        pos += 8 + int(len) + int(len % 2);
    }
    info.ok = fmt && !info.data.isEmpty();
    return info;
}

} // namespace

class TestArtResources : public QObject
{
    Q_OBJECT

private slots:
    void everyNamedFileExists_data();
    void everyNamedFileExists();
    void picturesHaveTheSizeTheirScreensUse_data();
    void picturesHaveTheSizeTheirScreensUse();
    void everyPictureLoads();
    void applicationIconCarriesSeveralSizes();
    void onceAnimationsFinish_data();
    void onceAnimationsFinish();
    void loopingAnimationsRepeat_data();
    void loopingAnimationsRepeat();
    void soundsArePlayablePcm_data();
    void soundsArePlayablePcm();
    void styleSheetParsesAndItsPicturesExist();
    void pictureButtonsStayTransparentUnderTheStyleSheet();
};

void TestArtResources::everyNamedFileExists_data()
{
    QTest::addColumn<QString>("path");
    // Every picture, animation and sound named by the screens, with its exact case.
    const char* const names[] = {
        "ZUTAVApplication.qss",
        "Resources/images/TAV.ico",
        "Resources/gif/start.gif",
        "Resources/gif/act.gif",
        "Resources/gif/end.gif",
        "Resources/gif/examload.gif",
        "Resources/images/Login/close.png",
        "Resources/images/Login/close-h.png",
        "Resources/images/Login/help.png",
        "Resources/images/Login/tav-login-inprogress-n.gif",
        "Resources/images/MsgBox/tav_msgbox_bg.png",
        "Resources/images/MsgBox/tav_msgbox_bg_d.png",
        "Resources/images/MsgBox/tav_msgbox_icon.png",
        "Resources/images/MsgBox/tav_msgbox_icon_s.png",
        "Resources/images/autoMsg/btn.png",
        "Resources/images/autoMsg/btn-h.png",
        "Resources/images/autoMsg/btn-c.png",
        "Resources/images/toolbar/Thumbnail-border.png",
        "Resources/images/toolbar/Thumbnail-default.png",
        "Resources/images/toolbar/tav_toolbar_webline_n.png",
        "Resources/images/toolbar/tav_toolbar_offline_n.png",
        "Resources/images/toolbar/tav-exit-n.png",
        "Resources/images/toolbar/tav-exit-h.png",
        "Resources/images/interactBar/AnswerBg.png",
        "Resources/images/interactBar/actBtn.png",
        "Resources/images/interactBar/centerBtn.png",
        "Resources/images/interactBar/certerBtn_min.png",
        "Resources/images/interactBar/chartbg.png",
        "Resources/images/interactBar/close.png",
        "Resources/images/interactBar/close-h.png",
        "Resources/images/interactBar/highLight.png",
        "Resources/images/interactBar/highLight-w.png",
        "Resources/images/interactBar/star.png",
        "Resources/images/interactBar/time_g.png",
        "Resources/images/interactBar/time_y.png",
        "Resources/images/interactBar/time_r.png",
        "Resources/images/interactBar/tobrin1.png",
        "Resources/images/interactBar/randombg.png",
        "Resources/images/interactBar/bar_left_short.png",
        "Resources/images/interactBar/cir_bg.png",
        "Resources/images/interactBar/start-normal.png",
        "Resources/images/interactBar/start-press.png",
        "Resources/images/interactBar/end-nomal.png",
        "Resources/images/interactBar/end-press.png",
        "Resources/images/interactBar/list-nomal.png",
        "Resources/images/interactBar/list-Press.png",
        "Resources/images/interactBar/pause-nomal.png",
        "Resources/images/interactBar/pause-press.png",
        "Resources/images/interactData/logo.png",
        "Resources/images/interactData/stu-n.png",
        "Resources/images/interactData/stu-a.png",
        "Resources/images/interactData/answer-n.png",
        "Resources/images/interactData/answer-a.png",
        "Resources/images/interactData/feedback-n.png",
        "Resources/images/interactData/feedback-a.png",
        "Resources/images/Table/tav_statistic_bg.png",
        "Resources/images/Table/tav_statistic_tips.png",
        "Resources/images/Table/tav_statistic_record.png",
        "Resources/images/testAssistant/cho-p-icon.png",
        "Resources/images/teamExam/test-icon.png",
        "Resources/images/teamExam/class-icon.png",
        "Resources/images/teamExam/subject-icon.png",
        "Resources/images/teamExam/right-bg-top.png",
        "Resources/images/teamExam/right-bottom=bg.png",
        "Resources/images/teamExam/start-icon.png",
        "Resources/images/teamExam/paus-icon.png",
        "Resources/images/teamExam/stop-icon.png",
        "Resources/images/teamExam/anyl-icon.png",
        "Resources/images/teamExam/ins-icon.png",
        "Resources/images/teamExam/exit-icon.png",
        "Resources/images/teamExam/red.png",
        "Resources/images/teamExam/green.png",
        "Resources/images/teamExam/yellow.png",
        "Resources/images/teamExam/time.png",
        "Resources/images/teamExam/pencil.gif",
        "Resources/images/teamExam/teamExam_item_blue.png",
        "Resources/images/teamExam/teamExam_item_green.png",
        "Resources/images/teamExam/teamExam_item_pencil.png",
        "Resources/images/stepExam/fd.png",
        "Resources/images/stepExam/sx.png",
        "Resources/images/stepExam/personnum.png",
        "Resources/images/stepExam/explanation.png",
        "Resources/images/stepExam/chart.png",
        "Resources/images/stepExam/table.png",
        "Resources/images/analyze/bar.png",
        "Resources/images/analyze/bg-nomal.png",
        "Resources/images/analyze/bg-active.png",
        "Resources/images/analyze/up.png",
        "Resources/images/analyze/down.png",
        "Resources/images/analyze/close.png",
        "Resources/images/analyze/details-n.png",
        "Resources/images/analyze/details-h.png",
        "Resources/images/analyze/graph-n.png",
        "Resources/images/analyze/graph-h.png",
        "Resources/images/analyze/staff-n.png",
        "Resources/images/analyze/staff-h.png",
        "Resources/images/analyze/explanation-n.png",
        "Resources/images/analyze/explanation-h.png",
        "Resources/images/stuRanking/stuRanking-bg.png",
        "Resources/images/stuRanking/rank.png",
        "Resources/images/binding/match.png",
        "Resources/images/binding/nomatch.png",
        "Resources/images/binding/matchbg.png",
        "Resources/images/binding/station.png",
        "Resources/images/binding/teacher.png",
        "Resources/images/binding/student.png",
        "Resources/images/binding/tav_binding_n.png",
        "Resources/images/binding/tav_binding_s.png",
        "Resources/images/binding/tav_link_default.png",
        "Resources/images/binding/tav_link_fn.png",
        "Resources/images/binding/tav_link_sign.png",
        "Resources/images/binding/tav_link_suc.png",
        "Resources/images/setup/tav_setup_up.png",
        "Resources/images/setup/tav_setup_pow.png",
        "Resources/images/setup/tav_setup_FN.png",
        "Resources/images/setup/tav_setup_5.png",
        "Resources/images/setup/tav_setup_figer.png",
        "Resources/images/setup/tav_setup_rec_machine.png",
        "Resources/images/setup/tav_setup_stu_machine.png",
        "Resources/images/setup/tav_setup_tea_machine.png",
        "Resources/images/sign/tav_add_n.png",
        "Resources/images/sign/tav_add_s.png",
        "Resources/images/sign/tav_dec_n.png",
        "Resources/images/sign/tav_dec_s.png",
        "Resources/images/sign/tav_sign_figer.png",
        "Resources/images/sign/tav_sign_suc.png",
        "Resources/images/sign/tav_sign_fai.png",
        "sound/EnterFunction.wav",
        "sound/select-function.wav",
        "sound/start.wav",
        "sound/5_SecondCountdowntime-3.wav",
        "sound/Pause.wav",
        "sound/end-3.wav",
        "sound/waring.wav",
        "sound/select-people-3.wav",
        "sound/FN+5.wav",
        "sound/Success.wav",
        "sound/Fault.wav",
    };
    for (const char* name : names)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestArtResources::everyNamedFileExists()
{
    QFETCH(QString, path);
    const QFileInfo info(binPath(path));
    QVERIFY2(info.isFile(), qPrintable(info.filePath()));
    QVERIFY(info.size() > 0);
    // The name on disk has exactly this case (the folder listing, not a case-folding lookup).
    QVERIFY(info.dir().entryList(QDir::Files).contains(info.fileName(), Qt::CaseSensitive));
}

void TestArtResources::picturesHaveTheSizeTheirScreensUse_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    // Pictures shown at their natural size, or laid over widgets and labels of a fixed size.
    QTest::newRow("clock digits red") << "Resources/images/teamExam/red.png" << QSize(96, 106);
    QTest::newRow("clock digits green") << "Resources/images/teamExam/green.png" << QSize(96, 106);
    QTest::newRow("clock digits yellow") << "Resources/images/teamExam/yellow.png" << QSize(96, 106);
    QTest::newRow("seat card") << "Resources/images/teamExam/teamExam_item_blue.png" << QSize(53, 63);
    QTest::newRow("seat card done") << "Resources/images/teamExam/teamExam_item_green.png" << QSize(53, 63);
    QTest::newRow("still pencil") << "Resources/images/teamExam/teamExam_item_pencil.png" << QSize(25, 41);
    QTest::newRow("pencil animation") << "Resources/images/teamExam/pencil.gif" << QSize(30, 41);
    QTest::newRow("control title") << "Resources/images/teamExam/right-bg-top.png" << QSize(171, 120);
    QTest::newRow("clock icon") << "Resources/images/teamExam/time.png" << QSize(41, 29);
    QTest::newRow("add") << "Resources/images/sign/tav_add_n.png" << QSize(29, 29);
    QTest::newRow("dec hover") << "Resources/images/sign/tav_dec_s.png" << QSize(29, 29);
    QTest::newRow("seat signed") << "Resources/images/sign/tav_sign_suc.png" << QSize(78, 72);
    QTest::newRow("seat unsigned") << "Resources/images/sign/tav_sign_fai.png" << QSize(78, 72);
    QTest::newRow("tile default") << "Resources/images/binding/tav_link_default.png" << QSize(94, 94);
    QTest::newRow("tile fn") << "Resources/images/binding/tav_link_fn.png" << QSize(75, 75);
    QTest::newRow("tile sign") << "Resources/images/binding/tav_link_sign.png" << QSize(75, 75);
    QTest::newRow("tile bound") << "Resources/images/binding/tav_link_suc.png" << QSize(94, 94);
    QTest::newRow("match icon") << "Resources/images/binding/match.png" << QSize(17, 17);
    QTest::newRow("binding button") << "Resources/images/binding/tav_binding_n.png" << QSize(180, 40);
    QTest::newRow("binding icon") << "Resources/images/binding/station.png" << QSize(24, 24);
    QTest::newRow("podium") << "Resources/images/stuRanking/rank.png" << QSize(751, 323);
    QTest::newRow("ranking band") << "Resources/images/stuRanking/stuRanking-bg.png" << QSize(1920, 345);
    QTest::newRow("answer list") << "Resources/images/Table/tav_statistic_bg.png" << QSize(788, 627);
    QTest::newRow("answer graph") << "Resources/images/interactBar/chartbg.png" << QSize(1000, 400);
    QTest::newRow("expanded bar") << "Resources/images/interactBar/actBtn.png" << QSize(110, 110);
    QTest::newRow("collapsed bar") << "Resources/images/interactBar/certerBtn_min.png" << QSize(54, 54);
    QTest::newRow("start animation") << "Resources/gif/start.gif" << QSize(110, 110);
    QTest::newRow("report logo") << "Resources/images/interactData/logo.png" << QSize(25, 25);
    QTest::newRow("report tab icon") << "Resources/images/interactData/stu-a.png" << QSize(30, 30);
    QTest::newRow("detail tab icon") << "Resources/images/analyze/graph-h.png" << QSize(30, 30);
    QTest::newRow("float button") << "Resources/images/analyze/bg-nomal.png" << QSize(40, 40);
    QTest::newRow("column button") << "Resources/images/stepExam/chart.png" << QSize(33, 33);
    QTest::newRow("top bar icon") << "Resources/images/teamExam/class-icon.png" << QSize(20, 20);
    QTest::newRow("title close") << "Resources/images/interactBar/close.png" << QSize(26, 23);
    QTest::newRow("teacher picture") << "Resources/images/toolbar/Thumbnail-default.png" << QSize(120, 120);
}

void TestArtResources::picturesHaveTheSizeTheirScreensUse()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QImageReader reader(binPath(path));
    QCOMPARE(reader.size(), size);
}

void TestArtResources::everyPictureLoads()
{
    int count = 0;
    QDirIterator it(binPath(QStringLiteral("Resources")), { "*.png", "*.gif", "*.ico" }, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QImageReader reader(path);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(path + QLatin1String(": ") + reader.errorString()));
        QVERIFY2(image.hasAlphaChannel() || path.endsWith(QLatin1String(".gif")), qPrintable(path));
        ++count;
    }
    QVERIFY(count >= 150);
}

void TestArtResources::applicationIconCarriesSeveralSizes()
{
    QImageReader reader(binPath(QStringLiteral("Resources/images/TAV.ico")));
    QVERIFY(reader.imageCount() >= 5);
    QList<int> widths;
    for (int i = 0; i < reader.imageCount(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        widths << reader.read().width();
    }
    QVERIFY(widths.contains(16));
    QVERIFY(widths.contains(32));
    QVERIFY(widths.contains(256));
}

void TestArtResources::onceAnimationsFinish_data()
{
    QTest::addColumn<QString>("path");
    // The interaction bar and the seat tile go on when these report finished().
    QTest::newRow("start") << "Resources/gif/start.gif";
    QTest::newRow("end") << "Resources/gif/end.gif";
    QTest::newRow("pencil") << "Resources/images/teamExam/pencil.gif";
}

void TestArtResources::onceAnimationsFinish()
{
    QFETCH(QString, path);
    QMovie movie(binPath(path));
    QVERIFY(movie.isValid());
    QCOMPARE(movie.loopCount(), 0);
    QVERIFY(movie.frameCount() > 3);
    QSignalSpy finished(&movie, &QMovie::finished);
    movie.start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.count(), 1);
}

void TestArtResources::loopingAnimationsRepeat_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("interaction running") << "Resources/gif/act.gif";
    QTest::newRow("paper loading") << "Resources/gif/examload.gif";
    QTest::newRow("login progress") << "Resources/images/Login/tav-login-inprogress-n.gif";
}

void TestArtResources::loopingAnimationsRepeat()
{
    QFETCH(QString, path);
    QMovie movie(binPath(path));
    QVERIFY(movie.isValid());
    QCOMPARE(movie.loopCount(), -1);
    QVERIFY(movie.frameCount() > 3);
}

void TestArtResources::soundsArePlayablePcm_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<double>("maxSeconds");
    // The countdown plays every second for five seconds, so it must end within one.
    QTest::newRow("enter") << "sound/EnterFunction.wav" << 1.5;
    QTest::newRow("select function") << "sound/select-function.wav" << 0.5;
    QTest::newRow("start") << "sound/start.wav" << 1.5;
    QTest::newRow("countdown") << "sound/5_SecondCountdowntime-3.wav" << 0.9;
    QTest::newRow("pause") << "sound/Pause.wav" << 1.5;
    QTest::newRow("stop") << "sound/end-3.wav" << 1.5;
    QTest::newRow("warning") << "sound/waring.wav" << 1.5;
    QTest::newRow("random pick") << "sound/select-people-3.wav" << 1.5;
    QTest::newRow("binding step") << "sound/FN+5.wav" << 0.5;
    QTest::newRow("success") << "sound/Success.wav" << 1.5;
    QTest::newRow("failure") << "sound/Fault.wav" << 1.5;
}

void TestArtResources::soundsArePlayablePcm()
{
    QFETCH(QString, path);
    QFETCH(double, maxSeconds);
    const WavInfo wav = readWav(binPath(path));
    QVERIFY(wav.ok);
    QCOMPARE(wav.format, quint16(1));
    QCOMPARE(wav.channels, quint16(1));
    QCOMPARE(wav.bits, quint16(16));
    QCOMPARE(wav.rate, quint32(44100));
    const double seconds = wav.data.size() / 2.0 / wav.rate;
    QVERIFY2(seconds > 0.05 && seconds <= maxSeconds, qPrintable(QString::number(seconds)));
    int peak = 0;
    const auto* samples = reinterpret_cast<const qint16*>(wav.data.constData());
    for (int i = 0; i < wav.data.size() / 2; ++i)
        peak = qMax(peak, qAbs(int(qFromLittleEndian(samples[i]))));
    // Audible but clear of clipping.
    QVERIFY2(peak > 8000 && peak < 32000, qPrintable(QString::number(peak)));
}

void TestArtResources::styleSheetParsesAndItsPicturesExist()
{
    QFile file(binPath(QStringLiteral("ZUTAVApplication.qss")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString sheet = QString::fromUtf8(file.readAll());

    const QRegularExpression url(QStringLiteral("url\\(\\./([^)]+)\\)"));
    int urls = 0;
    for (auto m = url.globalMatch(sheet); m.hasNext(); ++urls) {
        const QString rel = m.next().captured(1);
        QVERIFY2(QFileInfo::exists(binPath(rel)), qPrintable(rel));
    }
    QVERIFY(urls > 0);

    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    qApp->setStyleSheet(sheet);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QPushButton(QStringLiteral("确认")));
    layout->addWidget(new QLineEdit(QStringLiteral("用户名")));
    auto* combo = new QComboBox;
    combo->addItems({ QStringLiteral("初中八年级2班"), QStringLiteral("数学") });
    layout->addWidget(combo);
    layout->addWidget(new QSpinBox);
    layout->addWidget(new QCheckBox(QStringLiteral("自动登录")));
    auto* table = new QTableWidget(3, 3);
    table->setHorizontalHeaderLabels({ QStringLiteral("排名"), QStringLiteral("姓名"), QStringLiteral("得分") });
    layout->addWidget(table);
    auto* tabs = new QTabWidget;
    tabs->addTab(new QWidget, QStringLiteral("自由互动设置"));
    layout->addWidget(tabs);
    layout->addWidget(new QProgressBar);
    window.resize(400, 600);
    const QImage shot = window.grab().toImage();
    qInstallMessageHandler(previous);
    qApp->setStyleSheet(QString());

    QVERIFY(!shot.isNull());
    QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(QLatin1Char('\n'))));
}

void TestArtResources::pictureButtonsStayTransparentUnderTheStyleSheet()
{
    QFile file(binPath(QStringLiteral("ZUTAVApplication.qss")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    // Inline styles name their pictures relative to the program directory, as the program does.
    QVERIFY(QDir::setCurrent(QStringLiteral(TAV_BIN_DIR)));
    qApp->setStyleSheet(QString::fromUtf8(file.readAll()));

    QWidget window;
    window.setObjectName(QStringLiteral("host"));
    window.setAttribute(Qt::WA_StyledBackground);
    window.setStyleSheet(QStringLiteral("QWidget#host { background-color: #ff00ff; }"));
    // A captionless button drawn by its own round picture: its corners show what lies behind.
    auto* picture = new QPushButton(&window);
    picture->setStyleSheet(QStringLiteral("border-image: url(./Resources/images/interactBar/start-normal.png);"));
    picture->setGeometry(10, 10, 48, 48);
    // A captioned button without a style of its own gets the program's green outline.
    auto* captioned = new QPushButton(QStringLiteral("开始"), &window);
    captioned->setGeometry(80, 10, 100, 32);
    // A button with its own background keeps it under the pointer.
    auto* coloured = new QPushButton(QStringLiteral("暂停考试"), &window);
    coloured->setStyleSheet(QStringLiteral("background-color: #eeb710; color: #ffffff; border: none;"));
    coloured->setGeometry(80, 50, 100, 32);
    window.resize(200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseMove(picture, QPoint(2, 2));
    QTRY_VERIFY_WITH_TIMEOUT(picture->underMouse(), 2000);
    QImage shot = window.grab().toImage();
    QCOMPARE(shot.pixelColor(11, 11), QColor(0xff, 0x00, 0xff));
    QVERIFY(shot.pixelColor(20, 45).green() > 120);

    QTest::mouseMove(captioned, QPoint(2, 2));
    QTRY_VERIFY_WITH_TIMEOUT(captioned->underMouse(), 2000);
    shot = window.grab().toImage();
    const QColor outline = shot.pixelColor(130, 10);
    QVERIFY2(outline.green() > 120 && outline.red() < 100, qPrintable(outline.name()));
    QCOMPARE(shot.pixelColor(90, 25), QColor(0xff, 0x00, 0xff));

    QTest::mouseMove(coloured, QPoint(2, 2));
    QTRY_VERIFY_WITH_TIMEOUT(coloured->underMouse(), 2000);
    shot = window.grab().toImage();
    QCOMPARE(shot.pixelColor(84, 54), QColor(0xee, 0xb7, 0x10));
    qApp->setStyleSheet(QString());
}

QTEST_MAIN(TestArtResources)
#include "TestArtResources.moc"
