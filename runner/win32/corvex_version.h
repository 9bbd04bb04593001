/* The programs' version, read by the program (its caption and about box), by its resource
   script (VERSIONINFO) and by scripts/package. Users see major.minor.revision, "Corvex Ver.
   1.4.1 (Beta)", in the captions, the about boxes, the installer, its Apps entry and the
   packages' names; the build part is always 0, so that each shown number is one build. */
#pragma once

#define CORVEX_VERSION_MAJOR 1
#define CORVEX_VERSION_MINOR 4
#define CORVEX_VERSION_BUILD 0
#define CORVEX_VERSION_REVISION 1

#if CORVEX_VERSION_BUILD != 0
#error "the build part of the version is always 0: users see major.minor.revision"
#endif

#define CORVEX_STRINGIZE_(x) #x
#define CORVEX_STRINGIZE(x) CORVEX_STRINGIZE_(x)
#define CORVEX_VERSION_TEXT                                                                        \
    CORVEX_STRINGIZE(CORVEX_VERSION_MAJOR)                                                         \
    "." CORVEX_STRINGIZE(CORVEX_VERSION_MINOR) "." CORVEX_STRINGIZE(                               \
        CORVEX_VERSION_BUILD) "." CORVEX_STRINGIZE(CORVEX_VERSION_REVISION)
/* What users see: major.minor.revision. */
#define CORVEX_VERSION_SHOWN_TEXT                                                                  \
    CORVEX_STRINGIZE(CORVEX_VERSION_MAJOR)                                                         \
    "." CORVEX_STRINGIZE(CORVEX_VERSION_MINOR) "." CORVEX_STRINGIZE(CORVEX_VERSION_REVISION)
