#include "presetbuttons.h"
#include "findchild.h"

#include <QKeySequence>
#include <QPushButton>

PresetButtons::PresetButtons(QWidget *window, camdeck::PresetBank &presets, QObject *parent)
    : QObject(parent)
    , m_presets(presets)
{
    for (int slot = 0; slot < camdeck::presetCount; ++slot) {
        auto *recall
            = requireChild<QPushButton>(window, QStringLiteral("preset%1Button").arg(slot + 1));
        auto *save
            = requireChild<QPushButton>(window, QStringLiteral("save%1Button").arg(slot + 1));
        connect(recall, &QPushButton::clicked, this, [this, slot] { m_presets.recall(slot); });
        recall->setShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + slot)));
        connect(save, &QPushButton::clicked, this, [this, slot] { this->save(slot); });
    }
}

camdeck::PresetSave PresetButtons::save(int slot)
{
    const camdeck::PresetSave result = m_presets.save(slot);
    emit saved(result.ok() ? tr("Preset %1 saved in %2").arg(slot + 1).arg(result.path)
                           : tr("Preset %1 not saved: %2").arg(slot + 1).arg(result.error));
    return result;
}
