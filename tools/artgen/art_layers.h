#pragma once
// The layers of the scene, which DrawScene paints back to front.

#include "tools/artgen/art_layout.h"
#include "tools/artgen/art_scene.h"

class QPainter;

namespace tarvisk::art::detail {

// The headstock and what is fixed to it (art_headstock.cpp).
void PaintShadows(QPainter& p);
void PaintHousings(QPainter& p);
void PaintWood(QPainter& p);
void PaintLogo(QPainter& p, const Fonts& fonts);
void PaintFretboard(QPainter& p);
void PaintNut(QPainter& p);
void PaintBushings(QPainter& p);
void PaintStrings(QPainter& p);

// The controls drawn over it (art_controls.cpp).
void PaintPeg(QPainter& p, const Peg& peg, const Fonts& fonts, bool lit);
void PaintLoopWord(QPainter& p, const Fonts& fonts);
void PaintToggle(QPainter& p, bool lit);
void PaintLamp(QPainter& p, bool lit);

// The name across the bottom (art_title.cpp).
void PaintTitle(QPainter& p);

} // namespace tarvisk::art::detail
