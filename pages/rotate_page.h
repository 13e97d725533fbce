// The rotation page ("回転"): three buttons that act at once and
// accumulate on the result image, then Apply.
#pragma once

#include <vector>

#include "core/bitmap.h"
#include "document/settings_table.h"

namespace kira {

enum class TTurn { Left, Right, Flip };

// BitBtnLeft: RotateBitmap90(.., 0); BitBtnRight: RotateBitmap90(.., 1);
// BitBtnFlip: FlipBitmap(.., 1).
bool ApplyTurn(TBitmap& image, TTurn turn);
// The same from `from` into `into`, which may be the same bitmap.
bool ApplyTurnInto(const TBitmap& from, TBitmap& into, TTurn turn);

// One press of a button on the document's result (filled from the source
// when empty). The result's record holds the batch steps that turn the
// source the same way: the presses so far reduced to the fewest, one
// "rotate:turn=..." line each (none when they undo one another).
void TurnResult(TDocument& doc, TTurn turn);

// The fewest presses, in the order left, right, flip tried first, that turn
// a picture as the given ones do.
std::vector<TTurn> FewestTurns(const std::vector<TTurn>& turns);

// Batch step "rotate": one press of the button, then Apply.
std::vector<TStepSpec> RotateSteps();

}  // namespace kira
