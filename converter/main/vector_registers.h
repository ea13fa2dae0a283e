#pragma once
// The converter encodes on the thread that runs the window. Painting code
// reached from the event loop may leave the upper halves of the vector
// registers in use; until something clears them, every SSE instruction of
// the encoders (all the floating-point work of the MP3 and Vorbis libraries,
// the APE filters) runs slower on processors that merge those halves in, by
// up to a tenth measured here.

namespace tavrel {

/// Marks the upper halves of the vector registers unused, where the
/// processor has them; nothing elsewhere.
void releaseUpperVectorState();

} // namespace tavrel
