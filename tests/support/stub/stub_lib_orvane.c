/* A support library whose exports only answer their own number, built once
   complete and once without each export (OMIT_<export name>). */

#include <stdint.h>

#pragma GCC diagnostic ignored "-Wunused-parameter"

#define STUB_EXPORT __attribute__((visibility("default")))
typedef intptr_t W;

#ifndef OMIT_LibOrvaneInitEx
STUB_EXPORT int LibOrvaneInitEx(void* context, void* record) {
    return 101;
}
#endif
#ifndef OMIT_LibOrvaneInitComplete
STUB_EXPORT int LibOrvaneInitComplete(void* context) {
    return 102;
}
#endif
#ifndef OMIT_LibOrvaneLogMsg
STUB_EXPORT int LibOrvaneLogMsg(void* context, const char* text, int32_t code, const char* where,
                                int level, int flag) {
    return 103;
}
#endif
#ifndef OMIT_LibOrvaneShowAbout
STUB_EXPORT int LibOrvaneShowAbout(void* context) {
    return 104;
}
#endif
#ifndef OMIT_LibOrvaneAddAboutMenu
STUB_EXPORT int LibOrvaneAddAboutMenu(void* context, void* explorer) {
    return 105;
}
#endif
#ifndef OMIT_LibOrvaneShowContextHelp
STUB_EXPORT int LibOrvaneShowContextHelp(void* context, const char* topic) {
    return 106;
}
#endif
#ifndef OMIT_LibOrvaneInit
STUB_EXPORT int LibOrvaneInit(void* context, W a, W b, W c, W d) {
    return 107;
}
#endif
#ifndef OMIT_LibOrvaneCreateLog
STUB_EXPORT int LibOrvaneCreateLog(void* context, W a, W b, W c, W d, W e) {
    return 108;
}
#endif
#ifndef OMIT_LibOrvaneLogMsgEx
STUB_EXPORT int LibOrvaneLogMsgEx(void* context, W a, W b, W c, W d, W e, W f) {
    return 109;
}
#endif
#ifndef OMIT_LibOrvaneReportProblem
STUB_EXPORT int LibOrvaneReportProblem(void* context) {
    return 110;
}
#endif
#ifndef OMIT_LibOrvaneSetLanguage
STUB_EXPORT int LibOrvaneSetLanguage(void* context) {
    return 111;
}
#endif
#ifndef OMIT_LibOrvaneSetHandleResolver
/* Answers success so that the InitEx wrapper goes on to LibOrvaneInitEx. */
STUB_EXPORT int LibOrvaneSetHandleResolver(void* context, void* resolver) {
    return 0;
}
#endif
#ifndef OMIT_LibOrvaneSetUiHook
STUB_EXPORT int LibOrvaneSetUiHook(void* context, void* hook, void* user) {
    return 113;
}
#endif
