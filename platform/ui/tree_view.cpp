#include "platform/ui/tree_view.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "platform/ui/describe.h"
#include "platform/ui/ui.h"
#include "platform/ui/utf.h"

namespace pgwk::ui {

namespace {
const std::u16string kEmpty;
const std::vector<TreeItemId> kNoChildren;
}  // namespace

void TreeView::setImages(ImageList images) {
  images_ = std::move(images);
  changed();
}

const TreeView::Item* TreeView::findItem(TreeItemId item) const {
  auto it = items_.find(item);
  return it == items_.end() ? nullptr : &it->second;
}

TreeView::Item* TreeView::findItem(TreeItemId item) {
  auto it = items_.find(item);
  return it == items_.end() ? nullptr : &it->second;
}

TreeItemId TreeView::insertItem(TreeItemId parent, std::u16string text, int image, int selectedImage,
                                std::int64_t data) {
  if (parent != kTreeRoot && !findItem(parent)) return kNoItem;
  TreeItemId id = ++lastItem_;
  Item item{parent, std::move(text), image, selectedImage, data, false, {}};
  items_.emplace(id, std::move(item));
  if (parent == kTreeRoot) roots_.push_back(id);
  else findItem(parent)->children.push_back(id);
  bulkChanged();
  return id;
}

void TreeView::eraseSubtree(TreeItemId item) {
  Item* found = findItem(item);
  if (!found) return;
  std::vector<TreeItemId> children = found->children;
  for (TreeItemId child : children) eraseSubtree(child);
  if (selection_ == item) selection_ = kNoItem;
  items_.erase(item);
}

bool TreeView::deleteItem(TreeItemId item) {
  Item* found = findItem(item);
  if (!found) return false;
  auto& siblings = found->parent == kTreeRoot ? roots_ : findItem(found->parent)->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
  eraseSubtree(item);
  top_ = std::clamp(top_, 0, std::max(0, static_cast<int>(visibleItems().size()) - 1));
  bulkChanged();
  return true;
}

void TreeView::deleteAll() {
  items_.clear();
  roots_.clear();
  selection_ = kNoItem;
  top_ = 0;
  bulkChanged();
}

const std::u16string& TreeView::itemText(TreeItemId item) const {
  const Item* found = findItem(item);
  return found ? found->text : kEmpty;
}

bool TreeView::setItemText(TreeItemId item, std::u16string text) {
  Item* found = findItem(item);
  if (!found) return false;
  found->text = std::move(text);
  bulkChanged();
  return true;
}

int TreeView::itemImage(TreeItemId item) const {
  const Item* found = findItem(item);
  return found ? found->image : -1;
}

int TreeView::itemSelectedImage(TreeItemId item) const {
  const Item* found = findItem(item);
  return found ? found->selectedImage : -1;
}

bool TreeView::setItemImages(TreeItemId item, int image, int selectedImage) {
  Item* found = findItem(item);
  if (!found) return false;
  found->image = image;
  found->selectedImage = selectedImage;
  bulkChanged();
  return true;
}

std::int64_t TreeView::itemData(TreeItemId item) const {
  const Item* found = findItem(item);
  return found ? found->data : 0;
}

TreeItemId TreeView::parentOf(TreeItemId item) const {
  const Item* found = findItem(item);
  return found ? found->parent : kNoItem;
}

const std::vector<TreeItemId>& TreeView::childrenOf(TreeItemId item) const {
  if (item == kTreeRoot) return roots_;
  const Item* found = findItem(item);
  return found ? found->children : kNoChildren;
}

bool TreeView::isExpanded(TreeItemId item) const {
  const Item* found = findItem(item);
  return found && found->expanded;
}

bool TreeView::expand(TreeItemId item, bool expanded) {
  Item* found = findItem(item);
  if (!found || found->expanded == expanded || found->children.empty()) return false;
  Message message;
  message.item = item;
  message.flag = expanded;
  if (notifyParent(notify::TreeItemExpanding, message) != 0) return false;
  found = findItem(item);  // the parent may have changed the tree while answering
  if (!found) return false;
  found->expanded = expanded;
  if (!expanded && selection_ != kNoItem) {
    // A selection hidden by the collapse moves up to the collapsed item, as it does on the platform.
    for (TreeItemId up = parentOf(selection_); up != kNoItem; up = parentOf(up)) {
      if (up == item) {
        selection_ = item;
        break;
      }
    }
  }
  bulkChanged();
  notifyParent(notify::TreeItemExpanded, message);
  return true;
}

void TreeView::select(TreeItemId item) {
  if (item != kNoItem && !findItem(item)) return;
  if (item != kNoItem) ensureVisible(item);
  if (item == selection_) return;
  selection_ = item;
  changed();
  Message message;
  message.item = item;
  notifyParent(notify::TreeSelChanged, message);
}

void TreeView::ensureVisible(TreeItemId item) {
  if (!findItem(item)) return;
  std::vector<TreeItemId> ancestors;
  for (TreeItemId up = parentOf(item); up != kNoItem; up = parentOf(up)) ancestors.push_back(up);
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) expand(*it, true);
  int row = rowOf(item);
  int rows = std::max(1, rect().height() / std::max(1, rowHeight()));
  if (row < 0) return;
  if (row < top_) setTopIndex(row);
  else if (row >= top_ + rows) setTopIndex(row - rows + 1);
}

int TreeView::rowHeight() const { return std::max(lineHeight(font()) + 2 * ui().scale(), 18 * ui().scale()); }

int TreeView::indent() const { return 19 * ui().scale(); }

void TreeView::setTopIndex(int row) {
  row = std::clamp(row, 0, std::max(0, static_cast<int>(visibleItems().size()) - 1));
  if (row == top_) return;
  top_ = row;
  changed();
}

void TreeView::collectVisible(TreeItemId parent, std::vector<TreeItemId>& out) const {
  for (TreeItemId child : childrenOf(parent)) {
    out.push_back(child);
    if (isExpanded(child)) collectVisible(child, out);
  }
}

std::vector<TreeItemId> TreeView::visibleItems() const {
  std::vector<TreeItemId> out;
  collectVisible(kTreeRoot, out);
  return out;
}

int TreeView::rowOf(TreeItemId item) const {
  auto rows = visibleItems();
  auto it = std::find(rows.begin(), rows.end(), item);
  return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
}

int TreeView::depthOf(TreeItemId item) const {
  int depth = 0;
  for (TreeItemId up = parentOf(item); up != kNoItem; up = parentOf(up)) ++depth;
  return depth;
}

// Row layout: [depth+1 indents, the last holding the button][icon][gap][label].
TreeView::Hit TreeView::hitTest(Point point) const {
  Hit hit;
  if (point.y < 0 || point.x < 0) return hit;
  auto rows = visibleItems();
  int row = point.y / std::max(1, rowHeight()) + top_;
  if (row < 0 || row >= static_cast<int>(rows.size())) return hit;
  hit.item = rows[row];
  int buttonLeft = depthOf(hit.item) * indent();
  int iconLeft = buttonLeft + indent();
  int iconWidth = images_.empty() ? 0 : images_.width;
  int labelLeft = iconLeft + iconWidth + 3 * ui().scale();
  int labelRight = labelLeft + textExtent(font(), itemText(hit.item)).width + 4 * ui().scale();
  if (point.x < buttonLeft) hit.part = Part::Indent;
  else if (point.x < iconLeft) hit.part = childrenOf(hit.item).empty() ? Part::Indent : Part::Button;
  else if (point.x < iconLeft + iconWidth) hit.part = Part::Icon;
  else if (point.x < labelRight) hit.part = Part::Label;
  else hit.part = Part::Right;
  return hit;
}

Rect TreeView::itemRect(TreeItemId item) const {
  int row = rowOf(item);
  if (row < 0) return {};
  int top = (row - top_) * rowHeight();
  int left = (depthOf(item) + 1) * indent() + (images_.empty() ? 0 : images_.width) + 3 * ui().scale();
  int width = textExtent(font(), itemText(item)).width + 4 * ui().scale();
  return {left, top, left + width, top + rowHeight()};
}

void TreeView::applyInput(const InputEvent& event) {
  Message message;
  message.x = event.x;
  message.y = event.y;
  message.item = event.item;
  switch (event.kind) {
    case InputKind::Select:
      select(event.item);
      return;
    case InputKind::Expand:
      expand(event.item, event.flag);
      return;
    case InputKind::Scroll:
      setTopIndex(event.index);
      return;
    case InputKind::Tap: {
      message.kind = MessageKind::StylusDown;
      if (offerToHandler(message) || !ui().exists(id())) return;
      takeFocus();
      Hit hit = hitTest({event.x, event.y});
      if (!ui().exists(id()) || hit.item == kNoItem) return;
      if (hit.part == Part::Button) toggle(hit.item);
      else select(hit.item);
      return;
    }
    case InputKind::DoubleTap: {
      message.kind = MessageKind::DoubleTap;
      if (offerToHandler(message) || !ui().exists(id())) return;
      Hit hit = hitTest({event.x, event.y});
      if (hit.item != kNoItem) toggle(hit.item);
      return;
    }
    case InputKind::Key: {
      message.kind = event.flag ? MessageKind::KeyDown : MessageKind::KeyUp;
      message.code = event.code;
      if (offerToHandler(message) || !ui().exists(id()) || !event.flag) return;
      auto rows = visibleItems();
      auto it = std::find(rows.begin(), rows.end(), selection_);
      int row = it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
      if (event.code == key::Down && row + 1 < static_cast<int>(rows.size())) select(rows[row + 1]);
      else if (event.code == key::Up && row > 0) select(rows[row - 1]);
      else if (event.code == key::Right && selection_ != kNoItem) expand(selection_, true);
      else if (event.code == key::Left && selection_ != kNoItem) {
        if (isExpanded(selection_)) expand(selection_, false);
        else if (parentOf(selection_) != kNoItem) select(parentOf(selection_));
      }
      return;
    }
    default:
      Widget::applyInput(event);
  }
}

void TreeView::describeKind(nlohmann::json& out) const {
  out["images"] = describeImageList(images_);
  out["selection"] = selection_;
  out["top"] = top_;
  out["rowHeight"] = rowHeight();
  out["indent"] = indent();
}

void TreeView::describeBulk(nlohmann::json& out) const {
  // Only rows under expanded items are sent: a large book's collapsed contents
  // need not travel to the browser.
  nlohmann::json rows = nlohmann::json::array();
  for (TreeItemId id : visibleItems()) {
    const Item* item = findItem(id);
    rows.push_back({{"item", id},
                    {"depth", depthOf(id)},
                    {"text", toUtf8(item->text)},
                    {"image", item->image},
                    {"selectedImage", item->selectedImage},
                    {"kids", !item->children.empty()},
                    {"open", item->expanded}});
  }
  out["rows"] = std::move(rows);
}

}  // namespace pgwk::ui
