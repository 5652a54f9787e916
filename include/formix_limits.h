/* formix_limits.h -- the capacities of the formix32 engine, shared by the
 * classic library and the toolkit.  This header is their one source: the
 * engine's tables are sized from it, and what the library and the tool say
 * about a limit is said from it.  What happens at each limit is described
 * in formix32.h and formix.h. */
#ifndef FORMIX_LIMITS_H
#define FORMIX_LIMITS_H

#define FORMIX_MAX_ELEMENTS 200      /* element records read from a mass file */
#define FORMIX_MAX_GROUPS 49         /* group records read from a group file */
#define FORMIX_MAX_SYMBOL 3          /* bytes of an element symbol or group name */
#define FORMIX_MAX_GROUP_FORMULA 14  /* bytes of a group's formula */
#define FORMIX_MAX_MASS_TOKEN 19     /* bytes of an atomic mass in the mass file */
#define FORMIX_MAX_FORMULA 219       /* bytes of a formula in the engine's notation */
#define FORMIX_COMPLEXITY 200        /* an expansion this long or longer is reported */
#define FORMIX_MAX_PATH 255          /* bytes of a data-file path setting */
/* bytes of a text the toolkit reads as one formula: room for typography,
 * spaces and characters passed over around the engine's 219 bytes.  A
 * longer text is refused at once, unread (and the tool keeps no more of a
 * line than this and one byte). */
#define FORMIX_MAX_TEXT 4096

#endif /* FORMIX_LIMITS_H */
