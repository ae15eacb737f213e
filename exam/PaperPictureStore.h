#pragma once

#include <QString>
#include <QStringList>

// The question and explanation pictures of the paper being loaded, in the program directory's "PaperData"
// folder. A picture is fetched under a staging name and takes its own name only when every picture of the
// paper has arrived, so the folder never holds a part of a picture, nor a picture of a paper that failed.
class PaperPictureStore
{
public:
    // The picture host's domain: a reference "a@b" names the path b on the host a + "." + this.
    static constexpr const char* kContentDomain = "dovane.cn";

    // Program directory + "/PaperData/", made when missing.
    static QString folder();
    // questionID + part + "." + the reference's extension (the text after its last "."). Empty when the id or
    // the extension hold anything but letters, digits, "-" and "_": the name must stay inside the folder.
    static QString fileName(const QString& questionID, const QString& part, const QString& reference);
    // "http://" + the reference with every "@" replaced by "." + content domain + "/".
    static QString pictureUrl(const QString& reference);

    PaperPictureStore() = default;
    PaperPictureStore(const PaperPictureStore&) = delete;
    PaperPictureStore& operator=(const PaperPictureStore&) = delete;
    // Removes whatever was fetched and not committed.
    ~PaperPictureStore();

    bool download(const QString& url, const QString& fileName);
    // Gives every fetched picture its own name; false (and nothing staged left) when one cannot be moved.
    bool commit();
    void discard();

private:
    QStringList m_staged; // file names
};
