/* The runner's version, read by the program (its caption) and by its resource script
   (VERSIONINFO): the caption shows major.minor.revision, "Corvex Ver. 1.4.1 (Beta)". */
#pragma once

#define CORVEX_VERSION_MAJOR 1
#define CORVEX_VERSION_MINOR 4
#define CORVEX_VERSION_BUILD 0
#define CORVEX_VERSION_REVISION 1

#define CORVEX_STRINGIZE_(x) #x
#define CORVEX_STRINGIZE(x) CORVEX_STRINGIZE_(x)
#define CORVEX_VERSION_TEXT                                                                        \
    CORVEX_STRINGIZE(CORVEX_VERSION_MAJOR)                                                         \
    "." CORVEX_STRINGIZE(CORVEX_VERSION_MINOR) "." CORVEX_STRINGIZE(                               \
        CORVEX_VERSION_BUILD) "." CORVEX_STRINGIZE(CORVEX_VERSION_REVISION)
