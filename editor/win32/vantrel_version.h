/* The editor's version, read by the program (its caption) and by its resource script
   (VERSIONINFO): the caption shows major.minor.revision, "Vantrel Ver. 1.4.1 (Beta)". */
#pragma once

#define VANTREL_VERSION_MAJOR 1
#define VANTREL_VERSION_MINOR 4
#define VANTREL_VERSION_BUILD 0
#define VANTREL_VERSION_REVISION 1

#define VANTREL_STRINGIZE_(x) #x
#define VANTREL_STRINGIZE(x) VANTREL_STRINGIZE_(x)
#define VANTREL_VERSION_TEXT                                                                       \
    VANTREL_STRINGIZE(VANTREL_VERSION_MAJOR)                                                       \
    "." VANTREL_STRINGIZE(VANTREL_VERSION_MINOR) "." VANTREL_STRINGIZE(                            \
        VANTREL_VERSION_BUILD) "." VANTREL_STRINGIZE(VANTREL_VERSION_REVISION)
