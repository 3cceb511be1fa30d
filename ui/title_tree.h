#pragma once
// Fills the Titles tree and the Chapters list from a loaded disc, and keeps
// the browsing selection of the source in step with them.
#include "dvd/dvd_source.h"
#include "ui/title_views.h"

// Fills the tree and selects the angle with most sectors (the first of
// equals). False when no angle could be chosen.
bool FillTitleTree(DvdSource& source, TitleTreeView& tree);
// Gives every angle row a box to tick, or takes the boxes away (and the ticks).
void SetAnglesTickable(TitleTreeView& tree, bool tickable);
// Keeps a row's tick in its angle's record.
void OnTitleTreeRowChanged(const QTreeWidgetItem* row);
// Takes the current title set and angle from the tree's current row.
void OnTitleTreeSelection(DvdSource& source, const TitleTreeView& tree);
// One row a chapter of the current angle, the first selected.
void FillChapterList(DvdSource& source, ChapterListView& list);
void RefreshChapterChecks(const DvdSource& source, ChapterListView& list);
// Selects or deselects every cell of the chapter at `row`, from the row's state.
void ToggleChapter(DvdSource& source, int row, unsigned itemState);
void ReadChapterSelection(DvdSource& source, const ChapterListView& list);

// Tree images of the rows, list states of the chapters.
inline constexpr int kTitleSetImage = 4;
inline constexpr int kProgramChainImage = 5;
inline constexpr int kAngleImage = 7;
inline constexpr int kNoCellSelected = 1;
inline constexpr int kAllCellsSelected = 2;
inline constexpr int kSomeCellsSelected = 3;
