#include "ui/title_tree.h"

#include <QSignalBlocker>

namespace {

template <typename Record>
Record* RecordOf(const QTreeWidgetItem* item)
{
    return item ? reinterpret_cast<Record*>(item->data(0, kRecordRole).value<quintptr>()) : nullptr;
}

QTreeWidgetItem* AddRow(TitleTreeView& tree, QTreeWidgetItem* parent, const std::string& text, int image, void* record)
{
    auto* row = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(&tree);
    row->setText(0, QString::fromStdString(text));
    row->setIcon(0, tree.Images().Icon(image));
    row->setData(0, kRecordRole, QVariant::fromValue(reinterpret_cast<quintptr>(record)));
    return row;
}

// The state bits of a chapter: selected cells set 0x2000, unselected 0x1000.
unsigned ChapterState(const ChapterInfo& chapter)
{
    unsigned bits = 0;
    for (const auto& cell : chapter.cells) bits |= cell->selected ? StateImageBits(kAllCellsSelected) : StateImageBits(kNoCellSelected);
    return bits;
}

}  // namespace

bool FillTitleTree(DvdSource& source, TitleTreeView& tree)
{
    source.currentTitleSet = nullptr;
    source.currentAngle = nullptr;
    source.currentChapter = nullptr;
    {
        // The rows go away with the records they point to: no selection handling for them.
        const QSignalBlocker quiet(tree);
        tree.clear();
    }
    if (source.TitleSets().empty()) return false;

    // The largest angle of the disc: of each set's largest, the first of the largest.
    const AngleInfo* best = nullptr;
    for (const auto& titleSet : source.TitleSets())
        if (const AngleInfo* largest = LargestAngle(*titleSet).second; largest && (!best || largest->sectors > best->sectors))
            best = largest;
    QTreeWidgetItem* bestRow = nullptr;
    for (const auto& titleSet : source.TitleSets()) {
        QTreeWidgetItem* titleRow = AddRow(tree, nullptr, titleSet->GetTitleLabel(), kTitleSetImage, titleSet.get());
        for (const auto& entry : titleSet->pgcEntries) {
            QTreeWidgetItem* chainRow = AddRow(tree, titleRow, entry->Label(), kProgramChainImage, entry.get());
            for (const auto& angle : entry->angles) {
                QTreeWidgetItem* angleRow = AddRow(tree, chainRow, angle->Label(), kAngleImage, angle.get());
                if (angle.get() == best) bestRow = angleRow;
            }
        }
    }
    if (!bestRow) return false;

    for (QTreeWidgetItem* parent = bestRow->parent(); parent; parent = parent->parent()) parent->setExpanded(true);
    // The selection handler runs now, before this returns.
    tree.setCurrentItem(bestRow);
    source.currentAngle = RecordOf<AngleInfo>(bestRow);
    source.currentTitleSet = RecordOf<TitleSet>(bestRow->parent()->parent());
    return true;
}

void SetAnglesTickable(TitleTreeView& tree, bool tickable)
{
    for (int set = 0; set < tree.topLevelItemCount(); ++set)
        for (int chainRow = 0; chainRow < tree.topLevelItem(set)->childCount(); ++chainRow) {
            const QTreeWidgetItem* chain = tree.topLevelItem(set)->child(chainRow);
            for (int angle = 0; angle < chain->childCount(); ++angle) {
                QTreeWidgetItem* row = chain->child(angle);
                row->setFlags(tickable ? row->flags() | Qt::ItemIsUserCheckable : row->flags() & ~Qt::ItemIsUserCheckable);
                // No state at all: no box is drawn.
                row->setData(0, Qt::CheckStateRole, tickable ? QVariant(int(row->checkState(0))) : QVariant());
                if (AngleInfo* record = RecordOf<AngleInfo>(row); record && !tickable) record->ticked = false;
            }
        }
}

void OnTitleTreeRowChanged(const QTreeWidgetItem* row)
{
    const bool angleRow = row && row->parent() && row->parent()->parent();
    if (!angleRow || !(row->flags() & Qt::ItemIsUserCheckable)) return;
    if (AngleInfo* record = RecordOf<AngleInfo>(row)) record->ticked = row->checkState(0) == Qt::Checked;
}

void OnTitleTreeSelection(DvdSource& source, const TitleTreeView& tree)
{
    const QTreeWidgetItem* caret = tree.currentItem();
    source.currentAngle = nullptr;
    source.currentTitleSet = nullptr;
    source.currentChapter = nullptr;
    if (!caret) return;
    const QString text = caret->text(0);
    if (text.startsWith('A')) {
        source.currentAngle = RecordOf<AngleInfo>(caret);
        source.currentTitleSet = RecordOf<TitleSet>(caret->parent() ? caret->parent()->parent() : nullptr);
    } else if (text.startsWith('P')) {
        source.currentTitleSet = RecordOf<TitleSet>(caret->parent());
    }
}

void FillChapterList(DvdSource& source, ChapterListView& list)
{
    {
        const QSignalBlocker quiet(list);
        list.clear();
    }
    source.currentChapter = nullptr;
    if (!source.currentAngle) return;
    for (const auto& chapter : source.currentAngle->chapters) {
        auto* row = new QListWidgetItem(QString::fromStdString(chapter->Label()), &list);
        double seconds = 0;
        for (const auto& cell : chapter->cells) seconds += cell->seconds;
        row->setToolTip(QString::fromStdString("Length " + FormatDuration(seconds)));
        list.SetItemState(list.row(row), ChapterState(*chapter));
        row->setData(kRecordRole, QVariant::fromValue(reinterpret_cast<quintptr>(chapter.get())));
    }
    if (list.count() > 0) {
        list.item(0)->setSelected(true);
        list.setCurrentRow(0, QItemSelectionModel::Current);
        source.currentChapter = source.currentAngle->chapters.front().get();
    }
}

void RefreshChapterChecks(const DvdSource& source, ChapterListView& list)
{
    if (!source.currentAngle) return;
    for (const auto& chapter : source.currentAngle->chapters) list.SetItemState(chapter->chapterIndex, ChapterState(*chapter));
}

void ToggleChapter(DvdSource& source, int row, unsigned itemState)
{
    if (!source.currentAngle || row < 0 || row >= static_cast<int>(source.currentAngle->chapters.size())) return;
    const uint8_t selected = (itemState & StateImageBits(kAllCellsSelected)) ? 0 : 1;
    for (auto& cell : source.currentAngle->chapters[row]->cells) cell->selected = selected;
}

void ReadChapterSelection(DvdSource& source, const ChapterListView& list)
{
    int firstSelected = -1;
    for (int row = 0; row < list.count() && firstSelected < 0; ++row)
        if (list.item(row)->isSelected()) firstSelected = row;
    if (firstSelected < 0 || !source.currentAngle || firstSelected >= static_cast<int>(source.currentAngle->chapters.size()))
        source.currentChapter = nullptr;
    else
        source.currentChapter = source.currentAngle->chapters[firstSelected].get();
}
