// standins/outlook/ol_commandbar_faces_win.cpp: the built-in button faces a control shows by FaceId: a
// small table of the stand-in's own 16 x 16 drawings (filled rectangles, ellipses and lines); a number
// the table does not hold draws a blank face.
#include "common/failure_log.h"
#include "standins/outlook/ol_commandbars_win.h"

#include <iterator>

namespace olstandin
{
namespace
{
constexpr int kFaceSize = 16;

struct CFaceShape
{
    // 'r' a filled rectangle, 'f' a rectangle's outline, 'e' a filled ellipse, 'l' a line.
    char m_cKind;
    RECT m_rc;
    COLORREF m_crColour;
};

struct CFace
{
    LONG m_lId;
    const CFaceShape* m_pShapes;
    size_t m_nShapes;
};

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kYellow = RGB(255, 204, 0);
constexpr COLORREF kRed = RGB(204, 0, 0);

constexpr CFaceShape kSave[] = {
    {'r', {1, 1, 15, 15}, kNavy}, {'r', {4, 1, 12, 6}, kWhite}, {'r', {4, 10, 12, 15}, kGrey}};
constexpr CFaceShape kPrint[] = {{'r', {3, 1, 13, 6}, kWhite},
                                 {'f', {3, 1, 13, 6}, kBlack},
                                 {'r', {1, 6, 15, 12}, kGrey},
                                 {'r', {3, 11, 13, 15}, kWhite}};
constexpr CFaceShape kNew[] = {
    {'r', {3, 1, 13, 15}, kWhite}, {'f', {3, 1, 13, 15}, kBlack}, {'l', {9, 1, 13, 5}, kBlack}};
constexpr CFaceShape kOpen[] = {
    {'r', {1, 2, 7, 4}, kYellow}, {'r', {1, 4, 15, 14}, kYellow}, {'f', {1, 4, 15, 14}, kBlack}};
constexpr CFaceShape kSmiley[] = {{'e', {1, 1, 15, 15}, kYellow},
                                  {'r', {5, 5, 7, 7}, kBlack},
                                  {'r', {9, 5, 11, 7}, kBlack},
                                  {'r', {5, 10, 11, 11}, kBlack}};
constexpr CFaceShape kDelete[] = {
    {'l', {2, 2, 14, 14}, kRed}, {'l', {3, 2, 15, 14}, kRed}, {'l', {13, 2, 1, 14}, kRed}, {'l', {14, 2, 2, 14}, kRed}};
constexpr CFaceShape kMail[] = {{'r', {1, 3, 15, 13}, kWhite},
                                {'f', {1, 3, 15, 13}, kBlack},
                                {'l', {1, 3, 8, 9}, kBlack},
                                {'l', {14, 3, 7, 9}, kBlack}};

constexpr CFace kFaces[] = {{3, kSave, std::size(kSave)},      {4, kPrint, std::size(kPrint)},
                            {18, kNew, std::size(kNew)},       {23, kOpen, std::size(kOpen)},
                            {59, kSmiley, std::size(kSmiley)}, {478, kDelete, std::size(kDelete)},
                            {1757, kMail, std::size(kMail)}};

void DrawShape(HDC p_hDC, const CFaceShape& p_oShape)
{
    const RECT& rc = p_oShape.m_rc;
    unique_hbrush brush(CreateSolidBrush(p_oShape.m_crColour));
    unique_any<gdi_object_traits<HPEN>> pen(CreatePen(PS_SOLID, 1, p_oShape.m_crColour));
    switch (p_oShape.m_cKind)
    {
    case 'r':
        (void)FillRect(p_hDC, &rc, brush.get());
        break;
    case 'f':
        (void)FrameRect(p_hDC, &rc, brush.get());
        break;
    case 'e': {
        const HGDIOBJ oldBrush = SelectObject(p_hDC, brush.get());
        const HGDIOBJ oldPen = SelectObject(p_hDC, pen.get());
        (void)Ellipse(p_hDC, rc.left, rc.top, rc.right, rc.bottom);
        SelectObject(p_hDC, oldBrush);
        SelectObject(p_hDC, oldPen);
        break;
    }
    default: {
        const HGDIOBJ oldPen = SelectObject(p_hDC, pen.get());
        (void)MoveToEx(p_hDC, rc.left, rc.top, nullptr);
        (void)LineTo(p_hDC, rc.right, rc.bottom);
        SelectObject(p_hDC, oldPen);
        break;
    }
    }
}
} // namespace

unique_hbitmap BuiltInFace(LONG p_lFaceId)
{
    unique_window_dc screen(nullptr);
    unique_hdc memory(CreateCompatibleDC(screen.get()));
    unique_hbitmap face(CreateCompatibleBitmap(screen.get(), kFaceSize, kFaceSize));
    if (!memory || !face)
        return LOG_FAILURE("no bitmap for face %ld", p_lFaceId), unique_hbitmap();
    const HGDIOBJ old = SelectObject(memory.get(), face.get());
    const RECT all{0, 0, kFaceSize, kFaceSize};
    (void)FillRect(memory.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
    for (const CFace& entry : kFaces)
        if (entry.m_lId == p_lFaceId)
            for (size_t i = 0; i < entry.m_nShapes; ++i)
                DrawShape(memory.get(), entry.m_pShapes[i]);
    SelectObject(memory.get(), old);
    return face;
}
} // namespace olstandin
