#pragma once

#include "SetIdInfo.h"
#include "StudentInfo.h"
#include "TeacherInfo.h"

#include "Singleton.h"

#include <QObject>
#include <QString>

class ZUHdApi;

// Picks the current keypad device by the ini key "hdType" and publishes what the keypads, the teacher
// remote and the receiver report. The data signals are emitted in the interface thread (ZUHdRelay), a keypad
// message only while no activity has started since the receiver took it.
class ZUHdManager : public QObject
{
    Q_OBJECT

public:
    static ZUHdManager* getInstance() { return TavSingleton<ZUHdManager>::instance(); }

    // Inserts or replaces name -> api; the registry does not own the device. Returns 1.
    static int registerApi(const QString& name, ZUHdApi* api);
    // The device named by "hdType", else the one named "rf228", else null. Looked up on every call.
    ZUHdApi* currentApi() const;

    // "TeacherInfo", "SetIdInfo" and "StudentInfo", so that they travel through queued connections.
    static void registerMetaTypes();

signals:
    void devChange(bool change);
    void sendTeacherData(TeacherInfo tea_info);
    void sendStudentData(StudentInfo stu_info);
    void sendSetIdData(SetIdInfo setid_info);

private:
    friend class TavSingleton<ZUHdManager>;
    ZUHdManager();
};
