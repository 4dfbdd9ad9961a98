#pragma once
// What a screen reader finds in the window beyond Qt's own: the step grid as a table of
// rows by steps whose cells name themselves and toggle like a click, and push buttons
// whose accessible press or toggle is a click, so that they act as well as show.

namespace pattaplex {

// Registers the interfaces with Qt's accessibility; once per program, before the
// window is shown.
void installAccessibility();

}  // namespace pattaplex
