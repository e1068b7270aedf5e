// Export macros: the library is built with hidden visibility, and only what is marked here is
// visible to a host.
#pragma once

#if defined(KXSYSRULE_BUILDING)
#define KXSYSRULE_API __attribute__((visibility("default")))
#else
#define KXSYSRULE_API
#endif

#if defined(KXHOST_BUILDING)
#define KXHOST_API __attribute__((visibility("default")))
#else
#define KXHOST_API
#endif
