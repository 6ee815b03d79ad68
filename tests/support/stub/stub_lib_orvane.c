/* A support library whose exports only answer their own number, built once
   complete and once without each export (OMIT_<export name>). */

#include <stdint.h>

#define STUB_EXPORT __attribute__((visibility("default")))

#ifndef OMIT_LibOrvaneInitEx
STUB_EXPORT int LibOrvaneInitEx(void* context, void* record) {
    (void)context;
    (void)record;
    return 101;
}
#endif
#ifndef OMIT_LibOrvaneInitComplete
STUB_EXPORT int LibOrvaneInitComplete(void* context) {
    (void)context;
    return 102;
}
#endif
#ifndef OMIT_LibOrvaneLogMsg
STUB_EXPORT int LibOrvaneLogMsg(void* context, const char* text, int32_t code, const char* where,
                                int level, int flag) {
    (void)context;
    (void)text;
    (void)code;
    (void)where;
    (void)level;
    (void)flag;
    return 103;
}
#endif
#ifndef OMIT_LibOrvaneShowAbout
STUB_EXPORT int LibOrvaneShowAbout(void* context) {
    (void)context;
    return 104;
}
#endif
#ifndef OMIT_LibOrvaneAddAboutMenu
STUB_EXPORT int LibOrvaneAddAboutMenu(void* context, void* explorer) {
    (void)context;
    (void)explorer;
    return 105;
}
#endif
#ifndef OMIT_LibOrvaneShowContextHelp
STUB_EXPORT int LibOrvaneShowContextHelp(void* context, const char* topic) {
    (void)context;
    (void)topic;
    return 106;
}
#endif
#ifndef OMIT_LibOrvaneInit
STUB_EXPORT int LibOrvaneInit(void* context, intptr_t a, intptr_t b, intptr_t c, intptr_t d) {
    (void)context;
    (void)a;
    (void)b;
    (void)c;
    (void)d;
    return 107;
}
#endif
#ifndef OMIT_LibOrvaneCreateLog
STUB_EXPORT int LibOrvaneCreateLog(void* context, intptr_t a, intptr_t b, intptr_t c, intptr_t d,
                                   intptr_t e) {
    (void)context;
    (void)a;
    (void)b;
    (void)c;
    (void)d;
    (void)e;
    return 108;
}
#endif
#ifndef OMIT_LibOrvaneLogMsgEx
STUB_EXPORT int LibOrvaneLogMsgEx(void* context, intptr_t a, intptr_t b, intptr_t c, intptr_t d,
                                  intptr_t e, intptr_t f) {
    (void)context;
    (void)a;
    (void)b;
    (void)c;
    (void)d;
    (void)e;
    (void)f;
    return 109;
}
#endif
#ifndef OMIT_LibOrvaneReportProblem
STUB_EXPORT int LibOrvaneReportProblem(void* context) {
    (void)context;
    return 110;
}
#endif
#ifndef OMIT_LibOrvaneSetLanguage
STUB_EXPORT int LibOrvaneSetLanguage(void* context) {
    (void)context;
    return 111;
}
#endif
#ifndef OMIT_LibOrvaneSetHandleResolver
/* Answers success so that the InitEx wrapper goes on to LibOrvaneInitEx. */
STUB_EXPORT int LibOrvaneSetHandleResolver(void* context, void* resolver) {
    (void)context;
    (void)resolver;
    return 0;
}
#endif
#ifndef OMIT_LibOrvaneSetUiHook
STUB_EXPORT int LibOrvaneSetUiHook(void* context, void* hook, void* user) {
    (void)context;
    (void)hook;
    (void)user;
    return 113;
}
#endif
