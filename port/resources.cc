// The registry of the program's resources, and icons made from them.
#include "port/resources.h"

#include <map>
#include <memory>
#include <mutex>

#include "base/logging.h"
#include "port/resource_file.h"

namespace port {

namespace {

struct Registry {
  std::mutex lock;
  // Registered resources stay for the life of the program.
  std::map<WORD, std::unique_ptr<const DialogTemplate>> dialogs;
  std::map<WORD, std::unique_ptr<const MenuTemplate>> menus;
  std::map<WORD, std::unique_ptr<const IconGroupTemplate>> icon_groups;
  // Live icons; a handle is the address of its description.
  std::map<HICON, std::unique_ptr<IconDescription>> icons;
};

Registry& GetRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

template <typename T>
const T* Find(const std::map<WORD, std::unique_ptr<const T>>& table, WORD id) {
  std::lock_guard<std::mutex> hold(GetRegistry().lock);
  auto it = table.find(id);
  return it == table.end() ? nullptr : it->second.get();
}

template <typename T>
void Add(std::vector<T>* read,
         std::map<WORD, std::unique_ptr<const T>>* table) {
  for (T& resource : *read) {
    const WORD id = resource.id;
    (*table)[id] = std::make_unique<const T>(std::move(resource));
  }
}

// The image to scale to |cx| by |cy|: an exact size, else the smallest
// larger one, else the largest.
const IconImage* ChooseImage(const IconGroupTemplate& group, int cx, int cy) {
  const IconImage* best = nullptr;
  for (const IconImage& image : group.images) {
    if (image.width == cx && image.height == cy)
      return &image;
    bool larger = image.width >= cx && image.height >= cy;
    if (!best) {
      best = &image;
    } else if (larger) {
      bool best_larger = best->width >= cx && best->height >= cy;
      if (!best_larger || image.width < best->width)
        best = &image;
    } else if (!(best->width >= cx && best->height >= cy) &&
               image.width > best->width) {
      best = &image;
    }
  }
  return best;
}

}  // namespace

bool RegisterResourceFile(const ResourceFile& file) {
  ResourceSet set;
  if (!ReadResourceFile(file, &set))
    return false;
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> hold(registry.lock);
  Add(&set.dialogs, &registry.dialogs);
  Add(&set.menus, &registry.menus);
  Add(&set.icon_groups, &registry.icon_groups);
  return true;
}

ResourceRegistration::ResourceRegistration(const ResourceFile& file) {
  CHECK(RegisterResourceFile(file))
      << "the program's resource file cannot be read";
}

const DialogTemplate* FindDialogTemplate(WORD id) {
  return Find(GetRegistry().dialogs, id);
}

const MenuTemplate* FindMenuTemplate(WORD id) {
  return Find(GetRegistry().menus, id);
}

const IconGroupTemplate* FindIconGroup(WORD id) {
  return Find(GetRegistry().icon_groups, id);
}

bool DescribeIcon(HICON icon, IconDescription* description) {
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> hold(registry.lock);
  auto it = registry.icons.find(icon);
  if (it == registry.icons.end())
    return false;
  *description = *it->second;
  return true;
}

}  // namespace port

HANDLE LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int cx, int cy, UINT) {
  const port::IconGroupTemplate* group =
      (type == IMAGE_ICON && IS_INTRESOURCE(name))
          ? port::FindIconGroup(
                static_cast<WORD>(reinterpret_cast<uintptr_t>(name)))
          : nullptr;
  if (!group || group->images.empty()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  if (cx == 0)
    cx = GetSystemMetrics(SM_CXICON);
  if (cy == 0)
    cy = GetSystemMetrics(SM_CYICON);
  auto description = std::make_unique<port::IconDescription>();
  description->group_id = group->id;
  description->width = cx;
  description->height = cy;
  description->image = port::ChooseImage(*group, cx, cy);
  port::Registry& registry = port::GetRegistry();
  std::lock_guard<std::mutex> hold(registry.lock);
  HICON icon = reinterpret_cast<HICON>(description.get());
  registry.icons[icon] = std::move(description);
  return icon;
}

BOOL DestroyIcon(HICON icon) {
  port::Registry& registry = port::GetRegistry();
  std::lock_guard<std::mutex> hold(registry.lock);
  return registry.icons.erase(icon) ? TRUE : FALSE;
}
