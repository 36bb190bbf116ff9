#pragma once
// Colours of the setup skin as they are written in skin files: $00BBGGRR is an RGB colour (red in
// the low byte); a value with the top bit set is a system colour whose index is the low byte
// ($FF000008 is the window-text colour). System colours resolve through one fixed table of the
// usual Windows 10 colours, so a skin looks the same on every machine.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

using TColor = std::uint32_t;

// The colour of a name of the standard colour table ("clWhite", "clBtnFace", ... without case)
// or of a number: decimal (sign allowed), or hexadecimal after "$" or "0x", 32 bits at most.
// Empty for anything else.
[[nodiscard]] std::optional<TColor> StringToColor(std::string_view text);

// The RGB value of a colour ($00BBGGRR): RGB colours without their top byte, system colours from the fixed table. An
// index outside the table resolves to black, as the system answers for an unknown index.
[[nodiscard]] TColor ColorToRGB(TColor color);

// Lightens (amount > 0) or darkens (amount < 0) a colour: one component stays, the other two move
// by the amount, clipped to 0..255. Lightening keeps the first component at 255, else the one
// strictly greater than both others, else blue; darkening keeps the first at 0, else the one
// strictly smaller than both others, else blue. Amount 0 returns the colour unchanged.
[[nodiscard]] TColor AdjustColor(TColor color, int amount);

}  // namespace orvane
