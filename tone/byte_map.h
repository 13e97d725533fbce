// Mapping every byte of a 24-bit picture through 256-entry tables: the common
// engine of the tone curves and the colour filter, whose byte functions depend
// only on the byte value (and the channel). The function is computed once per
// value into a table; the picture only looks values up, so the bytes are those
// of computing the function per byte.
//
// The inner loops are chosen at run time: 64 bytes per step with AVX-512 VBMI
// byte permutes where the processor has them, a plain loop otherwise. Every
// path gives the same bytes; the row split between threads does not change
// them either.
#pragma once

#include <array>
#include <cstdint>

#include "core/bitmap.h"

namespace kira {

using TToneTable = std::array<std::uint8_t, 256>;

// One table per channel, in the pixel's byte order.
struct TChannelTables {
  TToneTable Blue{}, Green{}, Red{};
};

// v -> v.
TToneTable IdentityTable();

// Every blue byte b becomes tables.Blue[b], and so on, in place. False and
// the bitmap unchanged when it is not 24 bits per pixel.
bool MapBytes(TBitmap& bitmap, const TChannelTables& tables, int threads = 1);
bool MapBytes(TBitmap& bitmap, const TToneTable& table, int threads = 1);

// result := source with every byte mapped, in one pass over the pixels (the
// copy of a Preview and the effect together). The result takes the source's
// size, format and colour table; its old content is dropped (its storage is
// reused when the size already fits). False and the result unchanged when
// the source is not 24 bits per pixel. source and result may be one object.
bool MapBytes(const TBitmap& source, TBitmap& result, const TChannelTables& tables, int threads = 1);
bool MapBytes(const TBitmap& source, TBitmap& result, const TToneTable& table, int threads = 1);

// The kind of inner loop the mapping and the grey conversion use.
enum class TSimdLevel { Plain, Avx512Vbmi };
// The best level this processor offers.
TSimdLevel DetectedSimdLevel();
// The level in use: the detected one unless tests or benchmarks narrowed it.
TSimdLevel ActiveSimdLevel();
// Narrows the level for tests and benchmarks (a level the processor lacks is
// lowered to the detected one). Not for use while a picture is being mapped.
void LimitSimdLevel(TSimdLevel level);

// Gives result the size and format of source (24 bits) and its colour table,
// reusing the storage when it fits; the pixels are left to the caller. Shared
// by the source-to-result forms of the byte maps and the grey conversion.
void PrepareResult(const TBitmap& source, TBitmap& result);

}  // namespace kira
