// The generated program directory: every picture, animation and sound the screens name is there
// under its exact name, loads in Qt, and the style sheet parses and leaves picture buttons alone.

#include "ZUFormFrame.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const QString kBin = QStringLiteral(TAV_BIN_DIR "/");

QString readStyleSheet()
{
    QFile file(kBin + "ZUTAVApplication.qss");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Folder, then the names the screens use in it, with their exact case (the style sheet is read below).
const char* const kNamedFiles[][2] = {
    { "gif", "start.gif act.gif end.gif examload.gif" },
    { "images", "TAV.ico" },
    { "images/Login", "close.png close-h.png help.png tav-login-inprogress-n.gif" },
    { "images/MsgBox", "tav_msgbox_bg.png tav_msgbox_bg_d.png tav_msgbox_icon.png tav_msgbox_icon_s.png" },
    { "images/autoMsg", "btn.png btn-h.png btn-c.png" },
    { "images/toolbar",
      "Thumbnail-border.png Thumbnail-default.png tav_toolbar_webline_n.png "
      "tav_toolbar_offline_n.png tav-exit-n.png tav-exit-h.png" },
    { "images/interactBar",
      "AnswerBg.png actBtn.png centerBtn.png certerBtn_min.png chartbg.png close.png close-h.png highLight.png "
      "highLight-w.png star.png time_g.png time_y.png time_r.png tobrin1.png randombg.png bar_left_short.png "
      "cir_bg.png start-normal.png start-press.png end-nomal.png end-press.png list-nomal.png list-Press.png "
      "pause-nomal.png pause-press.png graph-nomal.png graph-press.png stujoin-nomal.png stujoin-press.png "
      "bar_left.png "
      "menubg.png simpleSelA.png mulSelA.png digA.png rushA.png randomA.png decideA.png whetherA.png evaluateA.png "
      "interactS.png simpleSelA-press.png mulSelA-press.png digA-press.png rushA-press.png randomA-press.png "
      "decideA-press.png whetherA-press.png evaluateA-press.png interactS-press.png" },
    { "images/interactData", "logo.png stu-n.png stu-a.png answer-n.png answer-a.png feedback-n.png feedback-a.png" },
    { "images/Table", "tav_statistic_bg.png tav_statistic_tips.png tav_statistic_record.png" },
    { "images/testAssistant", "cho-p-icon.png" },
    { "images/teamExam",
      "test-icon.png class-icon.png subject-icon.png right-bg-top.png right-bottom=bg.png start-icon.png "
      "paus-icon.png stop-icon.png anyl-icon.png ins-icon.png exit-icon.png red.png green.png yellow.png time.png "
      "pencil.gif teamExam_item_blue.png teamExam_item_green.png teamExam_item_pencil.png" },
    { "images/stepExam", "fd.png sx.png personnum.png explanation.png chart.png table.png" },
    { "images/analyze",
      "bar.png bg-nomal.png bg-active.png up.png down.png close.png details-n.png details-h.png graph-n.png "
      "graph-h.png staff-n.png staff-h.png explanation-n.png explanation-h.png" },
    { "images/stuRanking", "stuRanking-bg.png rank.png" },
    { "images/binding",
      "match.png nomatch.png matchbg.png station.png teacher.png student.png tav_binding_n.png tav_binding_s.png "
      "tav_link_default.png tav_link_fn.png tav_link_sign.png tav_link_suc.png" },
    { "images/setup",
      "tav_setup_up.png tav_setup_pow.png tav_setup_FN.png tav_setup_5.png tav_setup_figer.png "
      "tav_setup_rec_machine.png tav_setup_stu_machine.png tav_setup_tea_machine.png" },
    { "images/sign",
      "tav_add_n.png tav_add_s.png tav_dec_n.png tav_dec_s.png tav_sign_figer.png tav_sign_suc.png "
      "tav_sign_fai.png" },
    { "sound",
      "EnterFunction.wav select-function.wav start.wav 5_SecondCountdowntime-3.wav Pause.wav end-3.wav "
      "waring.wav select-people-3.wav FN+5.wav Success.wav Fault.wav" },
};

QStringList namedFiles()
{
    QStringList paths;
    for (const auto& entry : kNamedFiles) {
        const QString dir = QString::fromLatin1(entry[0]).replace(QRegularExpression("^(gif|images)"), "Resources/\\1");
        for (const QString& name : QString::fromLatin1(entry[1]).split(QLatin1Char(' ')))
            paths << dir + QLatin1Char('/') + name;
    }
    return paths;
}

// Walks the RIFF chunks for the format (tag, channels, bits, rate) and the samples.
QByteArray readWav(const QString& path, QList<quint32>& format)
{
    QFile f(path);
    const QByteArray all = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    if (all.left(4) != "RIFF" || all.mid(8, 4) != "WAVE")
        return QByteArray();
    QByteArray data;
    for (int pos = 12; pos + 8 <= all.size();) {
        const quint32 len = qFromLittleEndian<quint32>(all.constData() + pos + 4);
        const char* body = all.constData() + pos + 8;
        if (all.mid(pos, 4) == "fmt " && len >= 16 && pos + 24 <= all.size())
            format = { qFromLittleEndian<quint16>(body), qFromLittleEndian<quint16>(body + 2),
                       qFromLittleEndian<quint16>(body + 14), qFromLittleEndian<quint32>(body + 4) };
        else if (all.mid(pos, 4) == "data")
            data = all.mid(pos + 8, int(len));
        pos += 8 + int(len) + int(len % 2);
    }
    return data;
}

QStringList g_warnings;

} // namespace

class TestArtResources : public QObject
{
    Q_OBJECT

private slots:
    void everyNamedFileExists_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString& path : namedFiles())
            QTest::newRow(qPrintable(path)) << path;
    }

    void everyNamedFileExists()
    {
        QFETCH(QString, path);
        const QFileInfo info(kBin + path);
        QVERIFY2(info.isFile() && info.size() > 0, qPrintable(info.filePath()));
        // The listing, not a lookup, so a case-folding file system cannot hide a wrong case.
        QVERIFY(info.dir().entryList(QDir::Files).contains(info.fileName(), Qt::CaseSensitive));
    }

    void everyPictureLoads()
    {
        int count = 0;
        QDirIterator it(kBin + "Resources", { "*.png", "*.gif", "*.ico" }, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QImageReader reader(path);
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(path + ": " + reader.errorString()));
            QVERIFY2(image.hasAlphaChannel() || path.endsWith(".gif"), qPrintable(path));
            ++count;
        }
        QVERIFY(count >= 150);
        // The window and task bar pick their icon size from these.
        QImageReader icon(kBin + "Resources/images/TAV.ico");
        QSet<int> widths;
        for (int i = 0; icon.jumpToImage(i); ++i)
            widths << icon.read().width();
        QVERIFY2(widths.contains(16) && widths.contains(32) && widths.contains(256), qPrintable(icon.fileName()));
    }

    // Pictures shown at their natural size, or laid over widgets of a fixed size.
    void picturesHaveTheSizeTheirScreensUse_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::newRow("clock digits") << "Resources/images/teamExam/red.png" << QSize(96, 106);
        QTest::newRow("seat card") << "Resources/images/teamExam/teamExam_item_blue.png" << QSize(53, 63);
        QTest::newRow("pencil animation") << "Resources/images/teamExam/pencil.gif" << QSize(30, 41);
        QTest::newRow("seat signed") << "Resources/images/sign/tav_sign_suc.png" << QSize(78, 72);
        QTest::newRow("tile default") << "Resources/images/binding/tav_link_default.png" << QSize(94, 94);
        QTest::newRow("podium") << "Resources/images/stuRanking/rank.png" << QSize(751, 323);
        QTest::newRow("ranking band") << "Resources/images/stuRanking/stuRanking-bg.png" << QSize(1920, 345);
        QTest::newRow("answer list") << "Resources/images/Table/tav_statistic_bg.png" << QSize(788, 627);
        QTest::newRow("answer graph") << "Resources/images/interactBar/chartbg.png" << QSize(1000, 400);
        QTest::newRow("expanded bar") << "Resources/images/interactBar/actBtn.png" << QSize(110, 110);
        QTest::newRow("start animation") << "Resources/gif/start.gif" << QSize(110, 110);
        QTest::newRow("teacher picture") << "Resources/images/toolbar/Thumbnail-default.png" << QSize(120, 120);
    }

    void picturesHaveTheSizeTheirScreensUse()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QCOMPARE(QImageReader(kBin + path).size(), size);
    }

    void animationLoopModes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("once");
        // The interaction bar and the seat tile go on when the play-once ones report finished().
        QTest::newRow("start") << "Resources/gif/start.gif" << true;
        QTest::newRow("end") << "Resources/gif/end.gif" << true;
        QTest::newRow("pencil") << "Resources/images/teamExam/pencil.gif" << true;
        QTest::newRow("interaction running") << "Resources/gif/act.gif" << false;
        QTest::newRow("paper loading") << "Resources/gif/examload.gif" << false;
        QTest::newRow("login progress") << "Resources/images/Login/tav-login-inprogress-n.gif" << false;
    }

    void animationLoopModes()
    {
        QFETCH(QString, path);
        QFETCH(bool, once);
        QMovie movie(kBin + path);
        QVERIFY(movie.isValid());
        QVERIFY(movie.frameCount() > 3);
        QCOMPARE(movie.loopCount(), once ? 0 : -1);
        if (!once)
            return;
        QSignalSpy finished(&movie, &QMovie::finished);
        movie.start();
        QVERIFY(finished.wait(30000));
    }

    void soundsArePlayablePcm_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString& path : namedFiles().filter(".wav"))
            QTest::newRow(qPrintable(path)) << path;
    }

    void soundsArePlayablePcm()
    {
        QFETCH(QString, path);
        // The countdown plays every second, so it must end within one; the step clicks are short.
        const QHash<QString, double> limits = { { "sound/5_SecondCountdowntime-3.wav", 0.9 },
                                                { "sound/select-function.wav", 0.5 },
                                                { "sound/FN+5.wav", 0.5 } };
        QList<quint32> format;
        const QByteArray data = readWav(kBin + path, format);
        QVERIFY(!data.isEmpty());
        QCOMPARE(format, QList<quint32>({ 1, 1, 16, 44100 }));
        const double seconds = data.size() / 2.0 / 44100;
        QVERIFY2(seconds > 0.05 && seconds <= limits.value(path, 1.5), qPrintable(QString::number(seconds)));
        int peak = 0;
        for (int i = 0; i + 1 < data.size(); i += 2)
            peak = qMax(peak, qAbs(int(qFromLittleEndian<qint16>(data.constData() + i))));
        // Audible but clear of clipping.
        QVERIFY2(peak > 8000 && peak < 32000, qPrintable(QString::number(peak)));
    }

    void styleSheetParsesAndItsPicturesExist()
    {
        const QString sheet = readStyleSheet();
        int urls = 0;
        for (auto m = QRegularExpression("url\\(images:([^)]+)\\)").globalMatch(sheet); m.hasNext(); ++urls) {
            const QString rel = m.next().captured(1);
            QVERIFY2(QFileInfo::exists(kBin + "Resources/images/" + rel), qPrintable(rel));
        }
        QVERIFY(urls > 0);
        // Never a path, which would hold the name of the folder the program lies in.
        QCOMPARE(sheet.count("url("), urls);

        g_warnings.clear();
        const QtMessageHandler previous
            = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
                  if (type != QtDebugMsg && type != QtInfoMsg)
                      g_warnings << text;
              });
        qApp->setStyleSheet(sheet);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w : std::initializer_list<QWidget*> { new QPushButton(QStringLiteral("确认")),
                                                            new QLineEdit(QStringLiteral("用户名")), new QComboBox,
                                                            new QSpinBox, new QCheckBox(QStringLiteral("自动登录")),
                                                            new QTableWidget(3, 3), new QTabWidget, new QProgressBar })
            layout->addWidget(w);
        window.resize(400, 600);
        const QImage shot = window.grab().toImage();
        qInstallMessageHandler(previous);
        qApp->setStyleSheet(QString());
        QVERIFY(!shot.isNull());
        QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join('\n')));
    }

    void pictureButtonsStayTransparentUnderTheStyleSheet()
    {
        // Inline styles name their pictures as the program does.
        ZUFormFrame::usePictureFolder(QStringLiteral(TAV_BIN_DIR));
        qApp->setStyleSheet(readStyleSheet());
        QWidget window;
        window.setObjectName("host");
        window.setAttribute(Qt::WA_StyledBackground);
        window.setStyleSheet("QWidget#host { background-color: #ff00ff; }");
        // A captionless button drawn by its own round picture: its corners show what lies behind.
        auto* picture = new QPushButton(&window);
        picture->setStyleSheet("border-image: url(images:interactBar/start-normal.png);");
        picture->setGeometry(10, 10, 48, 48);
        window.resize(70, 70);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::mouseMove(picture, QPoint(2, 2));
        QTRY_VERIFY_WITH_TIMEOUT(picture->underMouse(), 30000);
        const QImage shot = window.grab().toImage();
        QCOMPARE(shot.pixelColor(11, 11), QColor(0xff, 0x00, 0xff));
        QVERIFY(shot.pixelColor(20, 45).green() > 120);

        qApp->setStyleSheet(QString());
    }
};

QTEST_MAIN(TestArtResources)
#include "TestArtResources.moc"
