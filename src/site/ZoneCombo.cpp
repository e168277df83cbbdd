#include "site/ZoneCombo.h"

#include "ui/controls/ComboExUI.h"

namespace ZoneCombo
{
void fill(CComboExUI &combo, const std::vector<IdText> &zones, std::uint64_t selected)
{
    combo.clear();
    int chosenIndex = -1;
    for (const auto &[id, name] : zones) {
        if (id == selected && selected != 0 && chosenIndex < 0)
            chosenIndex = combo.count();
        combo.addItem(QString::fromStdString(name), QVariant::fromValue<qulonglong>(id));
    }
    // A list box selects its first entry by itself; a record without a zone
    // must show none.
    combo.selectItem(chosenIndex);
}

std::optional<IdText> chosen(const CComboExUI &combo)
{
    const int index = combo.currentIndex();
    if (index < 0)
        return std::nullopt;
    return IdText {combo.itemData(index).toULongLong(), combo.itemText(index).toStdString()};
}
}
