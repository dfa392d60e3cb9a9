// Product versions of the kit's stand-in companion programs and of the
// simulated communication library, shared by their version resources, the
// installer (which records the library's in "KBAPIInfo") and the tests that
// read them back. Plain defines: the resource compiler reads this file too.
#pragma once

#define KIT_VERSION_ENV "3.02"      /* K_VM1RN2.EXE, the driver key's "K_VENV" */
#define KIT_VERSION_AGENT "2.41"    /* K_VAGENT.EXE, the driver key's "K_VRCV" */
#define KIT_VERSION_ICON "3.10"     /* K_VM1IC2.EXE, the driver key's "K_VICN" */
#define KIT_VERSION_KBAPISET "1.70" /* kbapiset.exe */
#define KIT_VERSION_LIBRARY "4.05"  /* the library, "KBAPIVersion" of "KBAPIInfo" */

/* KIT_STANDIN selects the program a version resource describes. */
#define KIT_STANDIN_ENV 1
#define KIT_STANDIN_AGENT 2
#define KIT_STANDIN_ICON 3
#define KIT_STANDIN_KBAPISET 4
#define KIT_STANDIN_PAGE_VIEWER 5
