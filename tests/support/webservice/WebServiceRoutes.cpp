#include "WebServiceRoutes.h"

#include "WebServicePictures.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrlQuery>

namespace {

const QString kLogin = QStringLiteral("/tav/fastenMachine/tokenLogin");
const QString kPaperList = QStringLiteral("/tav/testPaper/findPaperList");
const QString kPaperContent = QStringLiteral("/tav/testPaper/getPaperByPaperID");
const QString kBindReceiver = QStringLiteral("/tav/fastenMachine/tavClasReceiverBinding");
const QString kBindKeypad = QStringLiteral("/tav/fastenMachine/tavStudentMachineBinding");
const QString kUpload = QStringLiteral("/tav/fastenMachine/tavStaticClass");
const QString kVersion = QStringLiteral("/bizserver/version/get");
const QString kLessonPage = QStringLiteral("/tav/group/findKsPapers");
const QString kWordFile = QStringLiteral("/tav/group/getWordUrl");

// Requests whose signed text is their parameters in this order.
const QMap<QString, QStringList>& signedParams()
{
    static const QMap<QString, QStringList> params {
        { kLogin, { "username", "password" } },
        { kPaperList, { "username", "subjectID", "page", "pageSize", "version" } },
        { kPaperContent, { "username", "paperID", "version" } },
        { kBindReceiver, { "username", "classID", "stationSN" } },
        { kBindKeypad, { "username", "dovaneID", "stationSN", "sn" } },
    };
    return params;
}

QByteArray jsonBytes(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

WebResponse reply(bool success, const QJsonObject& result = {}, const QString& errorCode = {})
{
    WebResponse response;
    QJsonObject root;
    root.insert("success", success);
    root.insert("result", result);
    root.insert("errorCode", errorCode);
    response.body = jsonBytes(root);
    return response;
}

WebResponse cannedResponse(const CannedReply& canned)
{
    WebResponse response;
    response.status = canned.status;
    response.body = canned.body;
    response.contentType = canned.contentType;
    return response;
}

WebResponse notFound()
{
    WebResponse response;
    response.status = 404;
    response.contentType = "text/html;charset=UTF-8";
    response.body = "<html><body><h1>404 Not Found</h1></body></html>";
    return response;
}

QString absoluteUrl(const WebRequest& request, const QString& url)
{
    return url.startsWith('/') ? QStringLiteral("http://") + request.host + url : url;
}

int findIndex(const QJsonArray& array, const QString& key, const QJsonValue& value)
{
    for (int i = 0; i < array.size(); ++i) {
        const QJsonValue v = array.at(i).toObject().value(key);
        if (v == value || (v.isDouble() && value.isString() && QString::number(v.toInt()) == value.toString())
            || (v.isString() && value.isDouble() && v.toString() == QString::number(value.toInt())))
            return i;
    }
    return -1;
}

QJsonObject findPaper(const QJsonObject& data, const QString& paperID)
{
    const QJsonArray papers = data.value("papers").toArray();
    const int i = findIndex(papers, "paperID", paperID);
    return i < 0 ? QJsonObject() : papers.at(i).toObject();
}

QByteArray reshapedBody(const QByteArray& body, const QList<QPair<QString, QJsonValue>>& changes)
{
    QJsonValue root = QJsonDocument::fromJson(body).object();
    for (const auto& change : changes)
        root = WebServiceRoutes::reshaped(root, change.first.split('/'), 0, change.second);
    return jsonBytes(root.toObject());
}

int itemCount(const QJsonObject& question)
{
    return question.value("answer").toString().split('|').size();
}

// How an item's right answer is keyed: a number, one letter or several.
QString answerForm(const QString& answer)
{
    static const QRegularExpression number(QStringLiteral("^-?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    if (number.match(answer).hasMatch())
        return QStringLiteral("digits");
    return answer.size() > 1 ? QStringLiteral("letters") : QStringLiteral("letter");
}

} // namespace

QJsonValue WebServiceRoutes::reshaped(const QJsonValue& node, const QStringList& keys, int at, const QJsonValue& value)
{
    if (at == keys.size())
        return value;
    const QString& key = keys.at(at);
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const int index = key.toInt();
        const QJsonValue child = reshaped(array.at(index), keys, at + 1, value);
        if (index >= array.size())
            array.append(child);
        else if (child.isUndefined())
            array.removeAt(index);
        else
            array.replace(index, child);
        return array;
    }
    QJsonObject object = node.toObject();
    const QJsonValue child = reshaped(object.value(key), keys, at + 1, value);
    if (child.isUndefined())
        object.remove(key);
    else
        object.insert(key, child);
    return object;
}

QString WebRequest::param(const QString& name) const
{
    for (const auto& p : params) {
        if (p.first == name)
            return p.second;
    }
    return {};
}

QList<QPair<QString, QString>> WebServiceRoutes::decodeForm(const QByteArray& form)
{
    QList<QPair<QString, QString>> fields;
    if (form.isEmpty())
        return fields;
    for (const QByteArray& part : form.split('&')) {
        const int eq = part.indexOf('=');
        QByteArray name = eq < 0 ? part : part.left(eq);
        QByteArray value = eq < 0 ? QByteArray() : part.mid(eq + 1);
        name.replace('+', ' ');
        value.replace('+', ' ');
        fields.append({ QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                        QString::fromUtf8(QByteArray::fromPercentEncoding(value)) });
    }
    return fields;
}

bool WebServiceRoutes::checkSign(const WebRequest& request)
{
    const QString key = QString::fromLatin1(TavWebService::signKey());
    const QString sign = request.param("sign");
    QString signedText;
    if (signedParams().contains(request.path)) {
        // A sender that escapes its values signs them as plain text.
        const QStringList names = signedParams().value(request.path);
        QString plain;
        for (int i = 0; i < names.size(); ++i)
            plain += (i ? "&" : "") + names.at(i) + "=" + request.param(names.at(i));
        if (TavWebService::md5Hex(plain + "&" + key) == sign)
            return true;
        // Values travel unescaped, so a value may hold "&" or "=": the signed text is the form as sent, up to
        // "&sign=", and it must name the parameters in their order.
        const QByteArray form = request.method == QLatin1String("POST") ? request.rawBody : request.query;
        const int at = form.lastIndexOf("&sign=");
        if (at < 0)
            return false;
        signedText = QString::fromUtf8(form.left(at));
        int from = 0;
        for (int i = 0; i < names.size(); ++i) {
            const QString field = (i ? "&" : "") + names.at(i) + "=";
            const int found = signedText.indexOf(field, from);
            if (found < 0 || (i == 0 && found != 0))
                return false;
            from = found + field.size();
        }
    } else if (request.path == kUpload) {
        signedText = "recordResult=" + request.param("recordResult").left(50);
    } else if (request.path == kLessonPage) {
        signedText = "creator=" + request.param("creator");
    } else if (request.path == kVersion) {
        // The key is already part of the query; the sign covers the query alone.
        const int at = request.query.lastIndexOf("&sign=");
        if (at < 0)
            return false;
        const QString text = QString::fromUtf8(QByteArray::fromPercentEncoding(request.query.left(at)));
        return text.endsWith("&" + key) && TavWebService::md5Hex(text) == sign;
    } else {
        return true;
    }
    return TavWebService::md5Hex(signedText + "&" + key) == sign;
}

WebResponse WebServiceRoutes::handle(WebServiceState& state, WebRequest& request)
{
    request.time = QDateTime::currentDateTime();
    request.signOk = checkSign(request);
    WebResponse response;
    {
        QMutexLocker lock(&state.mutex);
        const FailureSetting failure = state.failures.value(request.path, state.failures.value("*"));
        switch (failure.failure) {
        case WebFailure::Refuse:
            response = reply(false, {}, failure.errorCode);
            break;
        case WebFailure::Http500:
            response.status = 500;
            response.contentType = "text/html;charset=UTF-8";
            response.body = "<html><body><h1>500 Internal Server Error</h1></body></html>";
            break;
        case WebFailure::NotJson:
            response.contentType = "text/html;charset=UTF-8";
            response.body = "<html><body>Service temporarily unavailable</body></html>";
            break;
        case WebFailure::NoAnswer:
            response.noAnswer = true;
            break;
        case WebFailure::Oversized:
            response.fillerSize = failure.size;
            response.fillerAnnounced = failure.announced;
            break;
        case WebFailure::Compressed:
            response.body = failure.body;
            response.chunked = failure.chunked;
            response.headers.append({ "Content-Encoding", failure.encoding });
            break;
        case WebFailure::Trickle:
            response = answer(state, request);
            response.trickleMs = failure.trickleMs;
            break;
        case WebFailure::Reshaped:
            response = answer(state, request);
            response.body = reshapedBody(response.body, failure.changes);
            break;
        case WebFailure::None:
            response = answer(state, request);
            break;
        }
        request.status = response.noAnswer ? 0 : response.status;
        state.requests.append(request);
        // A demo service runs for hours; its record keeps the latest requests only.
        if (state.requests.size() > 20000)
            state.requests.removeFirst();
    }
    return response;
}

WebResponse WebServiceRoutes::answer(WebServiceState& state, const WebRequest& request)
{
    if (state.canned.contains(request.path))
        return cannedResponse(state.canned.value(request.path));
    if (!request.signOk)
        return reply(false, {}, QStringLiteral("SIGN-ERROR"));
    return route(state, request);
}

WebResponse WebServiceRoutes::route(WebServiceState& state, const WebRequest& request)
{
    if (state.files.contains(request.path))
        return cannedResponse(state.files.value(request.path));
    if (request.method == QLatin1String("CONNECT"))
        return WebResponse(); // a tunnel for a reachability probe: every host answers
    if (request.path == kLogin)
        return login(state, request);
    if (request.path == kPaperList)
        return paperList(state, request);
    if (request.path == kPaperContent)
        return paperContent(state, request);
    if (request.path == kBindReceiver)
        return bindReceiver(state, request);
    if (request.path == kBindKeypad)
        return bindKeypad(state, request);
    if (request.path == kUpload)
        return upload(state, request);
    if (request.path == kVersion)
        return version(state, request);
    if (request.path == kLessonPage)
        return lessonPage(state, request);
    if (request.path == kWordFile)
        return wordFile(request);
    if (request.path.startsWith("/paper/") || request.path.startsWith("/avatar/"))
        return picture(state, request);
    return notFound();
}

WebResponse WebServiceRoutes::login(WebServiceState& state, const WebRequest& request)
{
    const QString user = request.param("username");
    const QJsonArray teachers = state.data.value("teachers").toArray();
    QJsonObject teacher;
    for (const QJsonValue& t : teachers) {
        const QJsonObject o = t.toObject();
        if (!user.isEmpty() && (o.value("userName").toString() == user || o.value("mobile").toString() == user))
            teacher = o;
    }
    if (teacher.isEmpty()) {
        for (const QJsonValue& c : state.data.value("classes").toArray()) {
            if (findIndex(c.toObject().value("students").toArray(), "username", user) >= 0)
                return reply(false, {}, QStringLiteral("TAV-3"));
        }
        return reply(false, {}, QStringLiteral("TAV-2"));
    }
    if (TavWebService::md5Hex(teacher.value("password").toString()) != request.param("password"))
        return reply(false, {}, QStringLiteral("TAV-1"));

    QJsonObject profile;
    profile.insert("userName", teacher.value("userName"));
    profile.insert("teaName", teacher.value("teaName"));
    profile.insert("mobile", teacher.value("mobile"));
    profile.insert("email", teacher.value("email"));
    profile.insert("avatar", absoluteUrl(request, teacher.value("avatar").toString()));

    const QJsonArray allClasses = state.data.value("classes").toArray();
    const QJsonArray allSubjects = state.data.value("subjects").toArray();
    QJsonArray classes;
    QJsonArray subjects;
    QList<int> subjectIDs;
    for (const QJsonValue& linkValue : teacher.value("classes").toArray()) {
        const QJsonObject link = linkValue.toObject();
        const int at = findIndex(allClasses, "classID", link.value("classID"));
        if (at < 0)
            continue;
        const QJsonObject source = allClasses.at(at).toObject();
        QJsonObject item;
        for (const char* key : { "classID", "phase", "grade", "classNum", "className", "baseStationID" })
            item.insert(key, source.value(key));
        item.insert("subject", link.value("subject"));
        QJsonArray students;
        for (const QJsonValue& s : source.value("students").toArray()) {
            const QJsonObject student = s.toObject();
            QJsonObject out;
            out.insert("username", student.value("username"));
            out.insert("classID", source.value("classID"));
            out.insert("name", student.value("name"));
            out.insert("sn", student.value("sn"));
            out.insert("baseStationID", student.value("baseStationID"));
            students.append(out);
        }
        item.insert("stuInfoList", students);
        classes.append(item);
        const int subjectID = link.value("subject").toInt();
        const int s = findIndex(allSubjects, "subjectID", subjectID);
        if (s >= 0 && !subjectIDs.contains(subjectID)) {
            subjectIDs.append(subjectID);
            subjects.append(allSubjects.at(s));
        }
    }
    QJsonObject result;
    result.insert("usernameMap", profile);
    result.insert("classes", classes);
    result.insert("subjectList", subjects);
    return reply(true, result);
}

WebResponse WebServiceRoutes::paperList(WebServiceState& state, const WebRequest& request)
{
    const int subjectID = request.param("subjectID").toInt();
    const int page = qMax(1, request.param("page").toInt());
    const int pageSize = qMax(1, request.param("pageSize").toInt());
    QJsonArray matching;
    for (const QJsonValue& p : state.data.value("papers").toArray()) {
        const QJsonObject paper = p.toObject();
        if (subjectID == 0 || paper.value("subjectID").toInt() == subjectID)
            matching.append(paper);
    }
    QJsonArray items;
    for (int i = (page - 1) * pageSize; i < qMin(matching.size(), page * pageSize); ++i) {
        const QJsonObject paper = matching.at(i).toObject();
        QJsonObject item;
        item.insert("paperID", paper.value("paperID"));
        item.insert("paperName", paper.value("paperName"));
        item.insert("allScores", paper.value("allScores"));
        item.insert("questionNumCount", paper.value("questions").toArray().size());
        items.append(item);
    }
    QJsonObject result;
    result.insert("currentPage", page);
    result.insert("totalPage", qMax(1, (matching.size() + pageSize - 1) / pageSize));
    result.insert("paper", items);
    return reply(true, result);
}

WebResponse WebServiceRoutes::paperContent(WebServiceState& state, const WebRequest& request)
{
    const QJsonObject paper = findPaper(state.data, request.param("paperID"));
    if (paper.isEmpty())
        return reply(false, {}, QStringLiteral("TAV-7"));
    const QString paperID = paper.value("paperID").toString();
    const QString label = state.data.value("pictureHostLabel").toString("img");

    QJsonArray structs;
    for (const QJsonValue& s : paper.value("sections").toArray()) {
        QJsonObject section = s.toObject();
        section.insert("paperID", paperID);
        structs.append(section);
    }
    QJsonArray questions;
    QJsonArray items;
    QJsonArray key;
    int mcsn = 0;
    int number = 0;
    for (const QJsonValue& q : paper.value("questions").toArray()) {
        ++number;
        const QJsonObject source = q.toObject();
        const QString questionID = source.value("questionID").toString();
        QJsonObject question;
        question.insert("questionID", questionID);
        // A picture named empty in the data is left out of the reply, as a paper without it.
        const QString text = source.value("textPicture").toString(questionID + "Text.png");
        const QString resolve = source.value("resolvePicture").toString(questionID + "Resolve.png");
        if (!text.isEmpty())
            question.insert("questionTextHTML", label + "@paper/" + text);
        if (!resolve.isEmpty())
            question.insert("questionResolveHTML", label + "@paper/" + resolve);
        question.insert("questionAnswer", source.value("answer"));
        question.insert("subQuestions", itemCount(source));
        questions.append(question);
        for (int k = 1; k <= itemCount(source); ++k) {
            ++mcsn;
            QJsonObject item;
            item.insert("relationID", paperID + "-" + QString::number(mcsn));
            item.insert("paperID", paperID);
            item.insert("questionID", questionID);
            item.insert("subQuestionID", k);
            item.insert("structID", source.value("structID"));
            item.insert("sn", source.value("sn"));
            item.insert("scores", source.value("scores").toInt(100));
            item.insert("mcsn", mcsn);
            items.append(item);
            const QString answer = source.value("answer").toString().section('|', k - 1, k - 1);
            key.append(QJsonObject { { "mcsn", mcsn },
                                     { "question", number },
                                     { "questionID", questionID },
                                     { "subQuestionID", k },
                                     { "answer", answer },
                                     { "form", answerForm(answer) } });
        }
    }
    keepServedKey(state, paperID, key);
    QJsonObject result;
    result.insert("ksPaperStruct", structs);
    result.insert("ksQuestion", questions);
    result.insert("ksRPaperQuestion", items);
    return reply(true, result);
}

void WebServiceRoutes::keepServedKey(const WebServiceState& state, const QString& paperID, const QJsonArray& items)
{
    if (state.servedKeyFile.isEmpty())
        return;
    const QJsonObject key { { "paperID", paperID },
                            { "served", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) },
                            { "items", items } };
    QSaveFile file(state.servedKeyFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(key).toJson()) < 0 || !file.commit())
        qWarning("tav-web-service: cannot write %s", qPrintable(state.servedKeyFile));
}

WebResponse WebServiceRoutes::bindReceiver(WebServiceState& state, const WebRequest& request)
{
    QJsonObject binding;
    binding.insert("classID", request.param("classID").toInt());
    binding.insert("stationSN", request.param("stationSN"));
    if (!applyBinding(state, binding))
        return reply(false, {}, QStringLiteral("TAV-5"));
    keepBinding(state, binding);
    return reply(true);
}

WebResponse WebServiceRoutes::bindKeypad(WebServiceState& state, const WebRequest& request)
{
    QJsonObject binding;
    binding.insert("dovaneID", request.param("dovaneID"));
    binding.insert("sn", request.param("sn"));
    binding.insert("stationSN", request.param("stationSN"));
    if (!applyBinding(state, binding))
        return reply(false, {}, QStringLiteral("TAV-6"));
    keepBinding(state, binding);
    return reply(true);
}

bool WebServiceRoutes::applyBinding(WebServiceState& state, const QJsonObject& binding)
{
    QJsonArray classes = state.data.value("classes").toArray();
    if (binding.contains("classID")) {
        const int at = findIndex(classes, "classID", binding.value("classID"));
        if (at < 0)
            return false;
        QJsonObject item = classes.at(at).toObject();
        item.insert("baseStationID", binding.value("stationSN"));
        classes.replace(at, item);
        state.data.insert("classes", classes);
        return true;
    }
    const QString dovaneID = binding.value("dovaneID").toString();
    const QString sn = binding.value("sn").toString();
    bool found = false;
    for (int c = 0; c < classes.size(); ++c) {
        QJsonObject item = classes.at(c).toObject();
        QJsonArray students = item.value("students").toArray();
        for (int s = 0; s < students.size(); ++s) {
            QJsonObject student = students.at(s).toObject();
            const bool isStudent = student.value("username").toString() == dovaneID;
            // A keypad has one holder: whoever held it before loses it, in any class.
            if (!isStudent && (sn.isEmpty() || student.value("sn").toString() != sn))
                continue;
            found = found || isStudent;
            student.insert("sn", isStudent ? sn : QString());
            student.insert("baseStationID", isStudent ? binding.value("stationSN").toString() : QString());
            students.replace(s, student);
        }
        item.insert("students", students);
        classes.replace(c, item);
    }
    if (!found)
        return false;
    state.data.insert("classes", classes);
    return true;
}

void WebServiceRoutes::keepBinding(WebServiceState& state, const QJsonObject& binding)
{
    state.bindings.append(binding);
    if (state.bindingsFile.isEmpty())
        return;
    QSaveFile file(state.bindingsFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(state.bindings).toJson()) < 0 || !file.commit())
        qWarning("tav-web-service: cannot write %s", qPrintable(state.bindingsFile));
}

WebResponse WebServiceRoutes::upload(WebServiceState& state, const WebRequest& request)
{
    const QString document = request.param("recordResult");
    const QJsonDocument parsed = QJsonDocument::fromJson(document.toUtf8());
    if (!parsed.isObject() || !parsed.object().value("data").isObject())
        return reply(false, {}, QStringLiteral("TAV-8"));
    state.uploads.append({ document, request.param("flag"), request.rawBody });
    return reply(true);
}

WebResponse WebServiceRoutes::version(WebServiceState& state, const WebRequest& request)
{
    const QJsonObject source = state.data.value("version").toObject();
    QJsonObject result;
    result.insert("version", source.value("version").toString());
    result.insert("url", absoluteUrl(request, source.value("url").toString()));
    result.insert("forceupdate", source.value("forceupdate").toBool());
    return reply(true, result);
}

WebResponse WebServiceRoutes::lessonPage(WebServiceState& state, const WebRequest& request)
{
    const int subjectID = request.param("tavsubjectID").toInt();
    QString html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>备课</title></head>"
                   "<body style=\"font-family: sans-serif\"><h2>备课资源</h2><ul>";
    for (const QJsonValue& p : state.data.value("papers").toArray()) {
        const QJsonObject paper = p.toObject();
        if (paper.value("subjectID").toInt() != subjectID)
            continue;
        const QString name = paper.value("paperName").toString();
        QUrlQuery query;
        query.addQueryItem("paperID", paper.value("paperID").toString());
        query.addQueryItem("paperName", name);
        html += QString("<li>%1 <a href=\"%2?%3\">下载 Word</a></li>")
                    .arg(name.toHtmlEscaped(), kWordFile, query.toString(QUrl::FullyEncoded));
    }
    html += "</ul></body></html>";
    WebResponse response;
    response.contentType = "text/html;charset=UTF-8";
    response.body = html.toUtf8();
    return response;
}

WebResponse WebServiceRoutes::wordFile(const WebRequest& request)
{
    WebResponse response;
    response.contentType = "application/msword";
    response.headers.append(
        qMakePair(QByteArray("Content-Disposition"), QByteArray("attachment; filename=\"paper.doc\"")));
    response.body = "TAV demo paper: " + request.param("paperName").toUtf8() + "\n";
    return response;
}

WebResponse WebServiceRoutes::picture(WebServiceState& state, const WebRequest& request)
{
    const QString name = request.path.section('/', -1);
    if (request.path.startsWith("/paper/")) {
        // Drawn at build time; the name is a plain file name of that folder.
        QFile file(state.paperPictureDir + name);
        if (request.path.count('/') != 2 || name.isEmpty() || name.startsWith('.') || state.paperPictureDir.isEmpty()
            || !file.open(QIODevice::ReadOnly))
            return notFound();
        WebResponse response;
        response.contentType = name.endsWith(".png") ? "image/png" : "image/jpeg";
        response.body = file.readAll();
        return response;
    }
    if (!state.pictures.contains(request.path)) {
        QByteArray png;
        if (name.endsWith(".png")) {
            const QString user = name.chopped(4);
            for (const QJsonValue& t : state.data.value("teachers").toArray()) {
                if (t.toObject().value("userName").toString() == user)
                    png = WebServicePictures::avatar(t.toObject().value("teaName").toString());
            }
        }
        if (png.isEmpty())
            return notFound();
        state.pictures.insert(request.path, png);
    }
    WebResponse response;
    response.contentType = "image/png";
    response.body = state.pictures.value(request.path);
    return response;
}
