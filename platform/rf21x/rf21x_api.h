#pragma once

// The receiver library's C entry points, declared the way the device layer calls them. On Windows the
// vendor's import library can stand behind these names; elsewhere the simulated receiver of this folder does.
// Texts are 8-bit and zero-terminated, except where a text fills its whole buffer.

#ifdef _WIN32
#define RF21X_CALL __stdcall
#else
#define RF21X_CALL
#endif

typedef struct rf21x_device_s* RF21X_DEVICE;
typedef struct rf21x_message_s* RF21X_MESSAGE_BUFFER;

// Size of a message's data field; a text that fills it carries no terminating zero.
#define RF21X_MESSAGE_DATA_SIZE 64

#ifdef __cplusplus
extern "C" {
#endif

// Non-zero while a HID device with this index exists; its serial text goes into buffer.
int RF21X_CALL rf21x_getHidSerialNumber(int index, char* buffer, int size);
// The HID path of the device with this index (empty when there is none).
int RF21X_CALL rf21x_getHidTempPath(int index, char* buffer, int size);
// Non-zero while the receiver at this HID path is attached.
int RF21X_CALL rf21x_checkHidCable(const char* hidPath);

RF21X_DEVICE RF21X_CALL rf21x_createDevice(int deviceType);
void RF21X_CALL rf21x_destoryDevice(RF21X_DEVICE device);
int RF21X_CALL rf21x_open(RF21X_DEVICE device, const char* url, int mode, int channel);
void RF21X_CALL rf21x_close(RF21X_DEVICE device);
int RF21X_CALL rf21x_readDeviceSerialNumber(RF21X_DEVICE device, const char* url, char* buffer, int size, int code);

int RF21X_CALL rf21x_startQuiz(RF21X_DEVICE device, int quizType, int count, int reserved, int flags);
int RF21X_CALL rf21x_stopQuiz(RF21X_DEVICE device);
int RF21X_CALL rf21x_setKeypadId(RF21X_DEVICE device, int keypadId);

RF21X_MESSAGE_BUFFER RF21X_CALL rf21x_createMessageBuffer(void);
void RF21X_CALL rf21x_destoryMessageBuffer(RF21X_MESSAGE_BUFFER buffer);
// Takes the receiver's next message into buffer without blocking; non-zero when there was one.
int RF21X_CALL rf21x_getMessage(RF21X_DEVICE device, RF21X_MESSAGE_BUFFER buffer);
int RF21X_CALL rf21x_getMessageType(RF21X_MESSAGE_BUFFER buffer);
int RF21X_CALL rf21x_getKeypadId(RF21X_MESSAGE_BUFFER buffer);
int RF21X_CALL rf21x_getQuizNumber(RF21X_MESSAGE_BUFFER buffer);
int RF21X_CALL rf21x_getTimeStamp(RF21X_MESSAGE_BUFFER buffer);
// Points at the message's data field of RF21X_MESSAGE_DATA_SIZE bytes; null when the message has no data.
const char* RF21X_CALL rf21x_getData(RF21X_MESSAGE_BUFFER buffer);

#ifdef __cplusplus
}
#endif
