#pragma once
// The genre list of the main dialog: the 148 genre names, sorted without
// regard to case, "Rock & Roll" selected.

class QComboBox;

namespace brenlow {

/// Fills `combo` with the genre names sorted as the list shows them and
/// selects entry 118 of the sorted list ("Rock & Roll").
void fillGenreCombo(QComboBox& combo);

} // namespace brenlow
