// The disk-cache page. Reading and writing the cache settings come with the cache tuning; until
// then these do nothing.
#include "app/form5.h"

namespace tarnolux {
void Form5::ReadCacheSettings() {}
void Form5::WriteCacheSettings() {}
void Form5::VScroll1_Change() {}
void Form5::VScroll2_Change() {}
void Form5::VScroll3_Change() {}
void Form5::VScroll7_Change() {}
void Form5::VScroll8_Change() {}
}  // namespace tarnolux
