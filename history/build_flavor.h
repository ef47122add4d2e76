// Which converter this is: the fast one, or the plain build (trendtab-plain) that does every step
// the straightforward way — one read per record, snprintf for every piece, one console write per
// progress line — and serves as the reference the fast paths are checked against.
#pragma once

#ifndef TRENDTAB_PLAIN
#define TRENDTAB_PLAIN 0
#endif

namespace trendtab {
inline constexpr bool kPlainBuild = TRENDTAB_PLAIN != 0;
}
