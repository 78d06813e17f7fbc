// Drawing shared by the skins. UI thread only.
#pragma once
#include <windows.h>

// Paints, into hdc at the child's client origin, the part of the skinned outer window's
// background that lies behind `child`; nothing when no outer window is skinned.
void PaintBackgroundBehind(HWND child, HDC hdc);

// "宋体" height 12 in the given weight (cached for the process, never freed before Release).
HFONT SkinFont(bool bold);
void FreeSkinFonts();

// Draws the window's text (at most 260 characters) single line, vertically centred, transparent.
void DrawWindowText(HWND hWnd, HDC hdc, RECT rc, COLORREF colour, UINT align);
