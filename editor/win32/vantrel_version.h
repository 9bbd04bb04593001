/* The programs' version, read by the program (its caption and about box), by its resource
   script (VERSIONINFO) and by scripts/package. Users see major.minor.revision, "Vantrel Ver.
   1.4.1 (Beta)", in the captions, the about boxes, the installer, its Apps entry and the
   packages' names; the build part is always 0, so that each shown number is one build. */
#pragma once

#define VANTREL_VERSION_MAJOR 1
#define VANTREL_VERSION_MINOR 4
#define VANTREL_VERSION_BUILD 0
#define VANTREL_VERSION_REVISION 1

#if VANTREL_VERSION_BUILD != 0
#error "the build part of the version is always 0: users see major.minor.revision"
#endif

#define VANTREL_STRINGIZE_(x) #x
#define VANTREL_STRINGIZE(x) VANTREL_STRINGIZE_(x)
#define VANTREL_VERSION_TEXT                                                                       \
    VANTREL_STRINGIZE(VANTREL_VERSION_MAJOR)                                                       \
    "." VANTREL_STRINGIZE(VANTREL_VERSION_MINOR) "." VANTREL_STRINGIZE(                            \
        VANTREL_VERSION_BUILD) "." VANTREL_STRINGIZE(VANTREL_VERSION_REVISION)
/* What users see: major.minor.revision. */
#define VANTREL_VERSION_SHOWN_TEXT                                                                 \
    VANTREL_STRINGIZE(VANTREL_VERSION_MAJOR)                                                       \
    "." VANTREL_STRINGIZE(VANTREL_VERSION_MINOR) "." VANTREL_STRINGIZE(VANTREL_VERSION_REVISION)
