// A picture of an open dialog as it stands, the way a person would see it on the screen.
//
// - The dialog is its template size in pixels (dialog units through the template font's base
//   units, as the dialog manager lays it out), under a caption bar of kCaption pixels with its
//   title. Every item stands at its rectangle, its text in the host's text colour, or greyed when
//   the item is disabled.
// - Buttons, check boxes and radio buttons (with their state), group boxes, static texts, edits
//   and popups (showing the selected entry's text) are drawn as Windows draws them, simplified.
// - A picture button shows its picture: an icon group of the module's own resources, or one of
//   the host's pictures: -16040 an arrow up, -16050 an arrow down, -16060 an arrow to the left
//   (towards the list a symbol is added to), -16020 a cross. Any other id shows "?".
// - A list shows the visible rows as the module painted them: the display list each row's draw
//   procedure recorded is replayed in the list's pixels (fills, frames, lines and texts in the
//   host's colours, images with what was painted into them, art through the mapping the draw-art
//   call recorded, clipped to its clip rectangle), clipped to the list's rectangle only, so that
//   what lands outside its row shows where it landed. A colour number the host does not know is
//   drawn magenta.
#pragma once

#include <cairo.h>

#include <string>

#include "subhost/dialogs/dialogs.h"
#include "subhost/document/document.h"
#include "subhost/loader/resources.h"

namespace subhost::picture {

// The caption bar's height in pixels; the dialog's items stand below it.
constexpr int kCaption = 22;

// The colour of the host's colour number COLOR (kADMBlackColor, kADMHiliteColor, ...).
void SetHostColor(cairo_t* cr, ASInt32 color);

// Replays what a drawer recorded, in the context's current user space (the drawer's pixels).
void Replay(cairo_t* cr, const DisplayList& painted, const Document& document);

// What a snapshot needs: the dialog, the dialog manager it lives in (for the rows' places), the
// document (for drawn art) and the module's resources (for pictures).
struct DialogScene {
    const Dialog& dialog;
    const DialogManager& manager;
    const Document& document;
    const ResourceSet& resources;
};

// The picture's size in pixels.
int DialogWidth(const Dialog& dialog);
int DialogHeight(const Dialog& dialog);

void PaintDialog(cairo_t* cr, const DialogScene& scene);
// The rows of list ITEM that show, as the module last painted them, over a white box at the
// item's rectangle (in the dialog's pixels, below the caption).
void PaintList(cairo_t* cr, const Item& item, const DialogScene& scene);

// Writes the picture of the dialog to PATH (.png or .svg).
void SnapshotDialog(const DialogScene& scene, const std::string& path);

}  // namespace subhost::picture
