#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

// The question and explanation pictures of the paper being loaded, in the program directory's "PaperData"
// folder. A picture is fetched under a staging name and takes its own name only when every picture of the
// paper has arrived, so the folder never holds a part of a picture, nor a picture of a paper that failed.
class PaperPictureStore
{
public:
    // The picture host's domain: a reference "a@b" names the path b on the host a + "." + this.
    static constexpr const char* kContentDomain = "dovane.cn";
    // The largest picture file taken; a question's picture is far smaller.
    static constexpr qint64 kMaxPictureBytes = 16 * 1024 * 1024;
    // The largest picture a classroom screen can use, zoomed in or not: its sides, and its pixels (64 MiB decoded).
    static constexpr int kMaxPictureSide = 8192;
    static constexpr qint64 kMaxPicturePixels = 4096 * 4096;

    // Program directory + "/PaperData/", made when missing.
    static QString folder();
    // questionID + part + "." + the reference's extension (the text after its last "."). Empty when the id or
    // the extension hold anything but letters, digits, "-" and "_": the name must stay inside the folder.
    static QString fileName(const QString& questionID, const QString& part, const QString& reference);
    // "http://" + the reference with every "@" replaced by "." + content domain + "/".
    static QString pictureUrl(const QString& reference);
    // Whether a picture of this size is one a screen can use.
    static bool fitsScreen(const QSize& size);
    // The picture of the file; null when it is none, or larger than a screen can use, which is told from its
    // header before anything is decoded.
    static QPixmap picture(const QString& path);

    PaperPictureStore() = default;
    PaperPictureStore(const PaperPictureStore&) = delete;
    PaperPictureStore& operator=(const PaperPictureStore&) = delete;
    // Removes whatever was fetched and not committed.
    ~PaperPictureStore();

    // Fetches within deadlineMs a file of at most kMaxPictureBytes that is not a picture larger than a screen
    // can use; goOn, asked while it arrives, gives it up by answering false.
    bool download(const QString& url, const QString& fileName, int deadlineMs,
                  const std::function<bool()>& goOn = nullptr);
    // Gives every fetched picture its own name; false (and nothing staged left) when one cannot be moved.
    bool commit();
    void discard();

private:
    QStringList m_staged; // file names
};
