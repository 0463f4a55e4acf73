#include "platform/ui/list_view.h"

#include <algorithm>
#include <numeric>

#include <nlohmann/json.hpp>

#include "platform/ui/describe.h"
#include "platform/ui/ui.h"
#include "platform/ui/utf.h"

namespace pgwk::ui {

namespace {
const std::u16string kEmpty;
}

int ListView::insertColumn(int position, std::u16string text, int width) {
  if (position < 0 || position > columnCount()) position = columnCount();
  columns_.insert(columns_.begin() + position, Column{std::move(text), width, -1});
  for (auto& item : items_) {
    if (static_cast<int>(item.texts.size()) > position) item.texts.insert(item.texts.begin() + position, u"");
  }
  bulkChanged();
  return position;
}

bool ListView::deleteColumn(int position) {
  if (position < 0 || position >= columnCount()) return false;
  columns_.erase(columns_.begin() + position);
  for (auto& item : items_) {
    if (static_cast<int>(item.texts.size()) > position) item.texts.erase(item.texts.begin() + position);
  }
  bulkChanged();
  return true;
}

int ListView::columnWidth(int column) const {
  return column >= 0 && column < columnCount() ? columns_[column].width : 0;
}

void ListView::setColumnWidth(int column, int width) {
  if (column < 0 || column >= columnCount()) return;
  columns_[column].width = width;
  changed();
}

const std::u16string& ListView::columnText(int column) const {
  return column >= 0 && column < columnCount() ? columns_[column].text : kEmpty;
}

void ListView::setColumnImage(int column, int image) {
  if (column < 0 || column >= columnCount()) return;
  columns_[column].image = image;
  changed();
}

int ListView::columnImage(int column) const {
  return column >= 0 && column < columnCount() ? columns_[column].image : -1;
}

void ListView::setHeaderImages(ImageList images) {
  headerImages_ = std::move(images);
  changed();
}

void ListView::setHeaderVisible(bool visible) {
  headerVisible_ = visible;
  changed();
}

int ListView::insertItem(int position, std::u16string text, std::int64_t data) {
  if (position < 0 || position > count()) position = count();
  Item item;
  item.texts.push_back(std::move(text));
  item.data = data;
  items_.insert(items_.begin() + position, std::move(item));
  if (selection_ >= position) ++selection_;
  bulkChanged();
  return position;
}

bool ListView::setItemText(int item, int column, std::u16string text) {
  if (item < 0 || item >= count() || column < 0 || column >= std::max(1, columnCount())) return false;
  auto& texts = items_[item].texts;
  if (static_cast<int>(texts.size()) <= column) texts.resize(column + 1);
  texts[column] = std::move(text);
  bulkChanged();
  return true;
}

const std::u16string& ListView::itemText(int item, int column) const {
  if (item < 0 || item >= count() || column < 0) return kEmpty;
  const auto& texts = items_[item].texts;
  return column < static_cast<int>(texts.size()) ? texts[column] : kEmpty;
}

std::int64_t ListView::itemData(int item) const { return item >= 0 && item < count() ? items_[item].data : 0; }

bool ListView::deleteItem(int item) {
  if (item < 0 || item >= count()) return false;
  items_.erase(items_.begin() + item);
  if (selection_ == item) selection_ = -1;
  else if (selection_ > item) --selection_;
  top_ = std::clamp(top_, 0, std::max(0, count() - 1));
  bulkChanged();
  return true;
}

void ListView::deleteAllItems() {
  items_.clear();
  selection_ = -1;
  top_ = 0;
  bulkChanged();
}

int ListView::findData(std::int64_t data) const {
  for (int i = 0; i < count(); ++i) {
    if (items_[i].data == data) return i;
  }
  return -1;
}

void ListView::select(int item) {
  if (item < -1 || item >= count()) item = -1;
  if (item == selection_) return;
  selection_ = item;
  changed();
  Message message;
  message.index = item;
  notifyParent(notify::ListItemChanged, message);
}

void ListView::activate(int item) {
  if (item < 0 || item >= count()) return;
  select(item);
  if (!ui().exists(id())) return;
  Message message;
  message.index = item;
  notifyParent(notify::ListItemActivate, message);
}

void ListView::sort(const std::function<int(std::int64_t, std::int64_t)>& compare) {
  bool hadSelection = selection_ >= 0 && selection_ < count();
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return compare(items_[a].data, items_[b].data) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  int newSelection = -1;
  for (int index : order) {
    if (hadSelection && index == selection_) newSelection = static_cast<int>(sorted.size());
    sorted.push_back(std::move(items_[index]));
  }
  items_ = std::move(sorted);
  selection_ = newSelection;
  bulkChanged();
}

int ListView::rowHeight() const { return lineHeight(font()) + 4 * ui().scale(); }

int ListView::headerHeight() const { return headerVisible_ ? rowHeight() : 0; }

int ListView::visibleRows() const {
  int rows = (rect().height() - headerHeight()) / std::max(1, rowHeight());
  return std::max(1, rows);
}

void ListView::setTopIndex(int index) {
  index = std::clamp(index, 0, std::max(0, count() - 1));
  if (index == top_) return;
  top_ = index;
  changed();
}

void ListView::ensureVisible(int item) {
  if (item < 0 || item >= count()) return;
  if (item < top_) setTopIndex(item);
  else if (item >= top_ + visibleRows()) setTopIndex(item - visibleRows() + 1);
}

void ListView::scrollBy(int pixels) {
  int h = std::max(1, rowHeight());
  int rows = pixels >= 0 ? (pixels + h / 2) / h : -((-pixels + h / 2) / h);
  setTopIndex(top_ + rows);
}

Rect ListView::itemRect(int item) const {
  if (item < 0 || item >= count()) return {};
  int top = headerHeight() + (item - top_) * rowHeight();
  return {0, top, rect().width(), top + rowHeight()};
}

int ListView::hitTest(Point point) const {
  if (point.y < headerHeight() || point.x < 0 || point.x >= rect().width()) return -1;
  int row = (point.y - headerHeight()) / std::max(1, rowHeight()) + top_;
  return row >= 0 && row < count() ? row : -1;
}

void ListView::applyInput(const InputEvent& event) {
  Message message;
  message.x = event.x;
  message.y = event.y;
  message.index = event.index;
  switch (event.kind) {
    case InputKind::Select:
      select(event.index);
      ensureVisible(event.index);
      return;
    case InputKind::Activate:
      activate(event.index);
      return;
    case InputKind::ColumnClick:
      if (event.index >= 0 && event.index < columnCount()) notifyParent(notify::ListColumnClick, message);
      return;
    case InputKind::Scroll:
      setTopIndex(event.index);
      return;
    case InputKind::Tap: {
      message.kind = MessageKind::StylusDown;
      if (offerToHandler(message) || !ui().exists(id())) return;
      takeFocus();
      int item = event.index >= 0 ? event.index : hitTest({event.x, event.y});
      if (ui().exists(id()) && item >= 0 && item < count()) select(item);
      return;
    }
    case InputKind::DoubleTap: {
      message.kind = MessageKind::DoubleTap;
      if (offerToHandler(message) || !ui().exists(id())) return;
      int item = event.index >= 0 ? event.index : hitTest({event.x, event.y});
      activate(item);
      return;
    }
    case InputKind::Key: {
      message.kind = event.flag ? MessageKind::KeyDown : MessageKind::KeyUp;
      message.code = event.code;
      if (offerToHandler(message) || !ui().exists(id()) || !event.flag) return;
      if (event.code == key::Down || event.code == key::Up) {
        int next = selection_ < 0 ? 0 : selection_ + (event.code == key::Down ? 1 : -1);
        if (next >= 0 && next < count()) {
          select(next);
          ensureVisible(next);
        }
      } else if (event.code == key::Enter) {
        activate(selection_);
      }
      return;
    }
    default:
      Widget::applyInput(event);
  }
}

void ListView::describeKind(nlohmann::json& out) const {
  nlohmann::json columns = nlohmann::json::array();
  for (const auto& c : columns_) columns.push_back({{"text", toUtf8(c.text)}, {"width", c.width}, {"image", c.image}});
  out["columns"] = std::move(columns);
  out["selection"] = selection_;
  out["top"] = top_;
  out["rowHeight"] = rowHeight();
  out["headerHeight"] = headerHeight();
  out["headerImages"] = describeImageList(headerImages_);
}

void ListView::describeBulk(nlohmann::json& out) const {
  nlohmann::json items = nlohmann::json::array();
  for (const auto& item : items_) {
    nlohmann::json texts = nlohmann::json::array();
    for (const auto& t : item.texts) texts.push_back(toUtf8(t));
    items.push_back(std::move(texts));
  }
  out["items"] = std::move(items);
}

}  // namespace pgwk::ui
