// SPDX-License-Identifier: Zlib
// table.cpp - Table: a grid of cells with spans, laid out from its children's natural sizes.
#include <algorithm>
#include "gui/widget.h"
#include "gui/style_internal.h"

Table::Table() {
    filler = add(new Widget);
    filler->hidden = 1;
}

void Table::new_row() {
    next_row += 1;
    next_col = 0;
}

void Table::clear() {
    hover_child = focus_child = nullptr;
    std::vector<Widget *> old;   // out of the list before they are destroyed (see ~Widget)
    old.swap(children);
    children.assign(1, filler);
    for (Widget *c : old)
        if (c != filler) delete c;
    next_row = -1;
    next_col = 0;
}

void Table::adopt_cell(Widget *child) {
    if (!child) return;
    if (next_row < 0) next_row = 0;
    child->row = next_row;
    child->col = next_col;
    child->col_span = child->row_span = 1;
    child->x = child->y = 0;
    next_col += 1;
    adopt(child);
}

// Spread what the child still lacks over its span: sizes[first .. first+span-1] grow by need - sum.
static void spread(std::vector<int32_t> &sizes, int32_t first, int32_t span, int32_t need) {
    if (span <= 0 || first < 0 || first + span > (int32_t)sizes.size()) return;
    int32_t sum = 0;
    for (int32_t i = first; i < first + span; i++) sum += sizes[i];
    if (sum >= need) return;
    int32_t d = need - sum, share = d / span, rest = d % span;
    for (int32_t i = first; i < first + span; i++) sizes[i] += share + (rest && i % span < rest ? 1 : 0);
}

static int32_t sum_of(const std::vector<int32_t> &sizes, int32_t first, int32_t span) {
    int32_t s = 0;
    for (int32_t i = std::max(first, 0); i < first + span && i < (int32_t)sizes.size(); i++) s += sizes[i];
    return s;
}

void Table::measure_content() {
    Container::measure_content();   // resolve and measure every child at its natural size

    // The grid is as large as the cells reach; the filler (which spans the last grid) is not counted,
    // so a table without cells has no rows or columns.
    int32_t ncols = 0, nrows = 0;
    for (Widget *c : children) {
        if (c == filler) continue;
        c->col = std::max(c->col, 0);
        c->row = std::max(c->row, 0);
        c->col_span = std::max(c->col_span, 1);
        c->row_span = std::max(c->row_span, 1);
        ncols = std::max(ncols, c->col + c->col_span);
        nrows = std::max(nrows, c->row + c->row_span);
    }
    filler->col = filler->row = 0;
    filler->col_span = ncols;
    filler->row_span = nrows;
    filler->x = filler->y = 0;
    filler->w = std::max(style_or(style_current.width, 0), 0);
    filler->h = std::max(style_or(style_current.height, 0), 0);

    // Narrow spans settle the grid first; wider ones only add what is still missing.
    std::vector<int32_t> widths(ncols, 0), heights(nrows, 0);
    std::stable_sort(children.begin(), children.end(), [](Widget *a, Widget *b) { return a->col_span < b->col_span; });
    for (Widget *c : children) spread(widths, c->col, c->col_span, c->w);
    std::stable_sort(children.begin(), children.end(), [](Widget *a, Widget *b) { return a->row_span < b->row_span; });
    for (Widget *c : children) spread(heights, c->row, c->row_span, c->h);

    std::vector<int32_t> lefts(ncols + 1, 0), tops(nrows + 1, 0);
    for (int32_t i = 0; i < ncols; i++) lefts[i + 1] = lefts[i] + widths[i];
    for (int32_t i = 0; i < nrows; i++) tops[i + 1] = tops[i] + heights[i];

    for (Widget *c : children) {
        c->x = c->col < ncols ? lefts[c->col] : lefts[ncols];
        c->y = c->row < nrows ? tops[c->row] : tops[nrows];
        int32_t cw = sum_of(widths, c->col, c->col_span), ch = sum_of(heights, c->row, c->row_span);
        if (c->w != cw || c->h != ch) c->resize(cw, ch);
    }
    content_w = lefts[ncols];
    content_h = tops[nrows];
}
