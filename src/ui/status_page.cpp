#include "ui/status_page.h"

#include "core/errors.h"
#include "model/led_blink.h"
#include "model/panel_texts.h"
#include "ui/cached_widgets.h"
#include "ui/focus_group.h"
#include "ui/led_shape.h"
#include "ui/number_edit.h"
#include "ui/radio_group.h"
#include "ui/status_page_tables.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

QString Text(const char* text) {
    return QCoreApplication::translate("TStatusPage", text);
}

QString Text(std::string_view text) {
    return Text(QByteArray(text.data(), static_cast<qsizetype>(text.size())).constData());
}

QString Name(const char* name) {
    return QString::fromLatin1(name);
}

// Rows and columns grow in proportion to the room their controls need, so a larger window keeps
// the groups' proportions instead of handing all its space to one of them.
void StretchInProportion(QGridLayout* grid) {
    std::vector<int> widths(static_cast<std::size_t>(grid->columnCount()));
    std::vector<int> heights(static_cast<std::size_t>(grid->rowCount()));
    for (int i = 0; i < grid->count(); ++i) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        const QSize needed = grid->itemAt(i)->minimumSize();
        if (columnSpan == 1) {
            int& width = widths[static_cast<std::size_t>(column)];
            width = std::max(width, needed.width());
        }
        if (rowSpan == 1) {
            int& height = heights[static_cast<std::size_t>(row)];
            height = std::max(height, needed.height());
        }
    }
    for (std::size_t i = 0; i < widths.size(); ++i) {
        grid->setColumnStretch(static_cast<int>(i), std::max(widths[i], 1));
    }
    for (std::size_t i = 0; i < heights.size(); ++i) {
        grid->setRowStretch(static_cast<int>(i), std::max(heights[i], 1));
    }
}

QStringList ItemTexts(TStateField field) {
    QStringList items;
    for (std::string_view text : StateTexts(StateListOf(field))) {
        items << Text(text);
    }
    return items;
}

} // namespace

TStatusPage::TStatusPage(int device, QWidget* parent) : QWidget(parent), FDevice(device) {
    setObjectName(Name(PageName(device))); // checks the device number
    // The values stay compact under the groups; the groups take the height the window gives.
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(BuildValueGrid(), 3);
    bottom->addSpacing(24);
    bottom->addLayout(BuildIdFields(), 1);

    auto* left = new QVBoxLayout;
    left->addLayout(BuildStateRows(), 1);
    left->addLayout(bottom);

    FContent = new QWidget;
    auto* page = new QHBoxLayout(FContent);
    page->addLayout(left);
    page->addLayout(BuildLedColumn());
    // Wider windows widen both sides alike.
    page->setStretch(0, left->minimumSize().width());
    page->setStretch(1, page->itemAt(1)->minimumSize().width());

    // Below the size the controls need, the page scrolls instead of squeezing them.
    auto* scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(FContent);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroller);
}

QSize TStatusPage::minimumSizeHint() const {
    return FContent->minimumSizeHint();
}

QSize TStatusPage::sizeHint() const {
    return FContent->sizeHint();
}

// The state groups in two rows: system state and the three lines with the relays across the
// top, then valve, acoustic signaller, battery and operation. Columns line up between the rows.
QGridLayout* TStatusPage::BuildStateRows() {
    auto* grid = new QGridLayout;
    std::array<int, 2> columns{}; // per row, the next free column; hidden groups take none
    for (const TRadioGroupRow& design : RadioGroups()) {
        TRadioGroup* group = AddRadioGroup(design.Field);
        if (group != nullptr && !group->isHidden()) {
            grid->addWidget(group, design.Row, columns[static_cast<std::size_t>(design.Row)]++);
        }
    }
    grid->addWidget(BuildRelayGroup(), 0, std::max(columns[0], columns[1]), 2, 1);
    StretchInProportion(grid);
    return grid;
}

TRadioGroup* TStatusPage::AddRadioGroup(TStateField field) {
    const TRadioGroupRow& design = *FindRadioGroup(field);
    const char* name = design.Names[static_cast<std::size_t>(FDevice)];
    if (name == nullptr) {
        return nullptr;
    }
    auto* group = new TRadioGroup(Text(design.Caption), ItemTexts(field), this);
    group->setObjectName(Name(name));
    group->setVisible(IsShown(design.ShownOnSlave));
    FRadioGroups[field] = group;
    return group;
}

QWidget* TStatusPage::BuildRelayGroup() {
    auto* group = new TGroupBox(Text(RelayGroupCaption), this);
    auto* focus = new TFocusGroup(group); // one Tab stop, arrows within
    auto* layout = new QVBoxLayout(group);
    layout->setSpacing(2);
    for (const TOutputBoxRow& design : OutputBoxes()) {
        const char* name = design.Names[static_cast<std::size_t>(FDevice)];
        if (name == nullptr) {
            continue;
        }
        auto* box = new TCheckBox(
            Text(MasterOutputBits()[static_cast<std::size_t>(design.Bit)].Caption), group);
        box->setObjectName(Name(name));
        MakeDisplayOnly(box); // ticking one by hand would tell the panel nothing
        focus->Add(box);
        layout->addWidget(box); // spread over the group's height as it grows
        FOutputBoxes[design.Bit] = box;
    }
    return group;
}

// Three columns of label and field; the first two rows are lines A, B and C under their column
// headers, voltage above current.
QGridLayout* TStatusPage::BuildValueGrid() {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    std::array<int, 8> nextColumn{}; // per row, the next free label and field pair
    for (const TColumnHeaderRow& header : ColumnHeaders()) {
        auto* label = new QLabel(Text(header.Caption), this);
        label->setAlignment(Qt::AlignCenter);
        label->setVisible(IsShown(header.ShownOnSlave));
        grid->addWidget(label, 0, 2 * header.Column + 1);
    }
    for (const TNumericFieldRow& design : NumericFields()) {
        const char* name = design.Names[static_cast<std::size_t>(FDevice)];
        if (name == nullptr) {
            continue;
        }
        auto* edit = new TNumberEdit(this);
        if (QLatin1String(design.Format) == QLatin1String("0")) {
            edit->SetEntryRequired(TNumberEditType::integervalue); // a plain count
        }
        edit->SetDisplayFormat(Name(design.Format));
        edit->setReadOnly(true); // what the panel measured; selectable to copy, not an input
        edit->setObjectName(Name(name));
        edit->setAccessibleName(Text(design.Spoken) + QStringLiteral(", ") + DeviceName(FDevice));
        FNumberEdits[design.Field] = edit;
        QLabel* label = design.Label == nullptr ? nullptr : new QLabel(Text(design.Label), this);
        if (label != nullptr) {
            label->setBuddy(edit);
        }
        if (!IsShown(design.ShownOnSlave)) {
            edit->hide(); // kept and updated, but out of the grid
            if (label != nullptr) {
                label->hide();
            }
            continue;
        }
        const int column = 2 * nextColumn[static_cast<std::size_t>(design.Row)]++;
        grid->addWidget(edit, design.Row, column + 1);
        if (label != nullptr) {
            grid->addWidget(label, design.Row, column);
        }
    }
    return grid;
}

// The device ID, and on the master the event log counters below it.
QGridLayout* TStatusPage::BuildIdFields() {
    auto* grid = new QGridLayout;
    FIdEdit = AddTextField(grid, 0, DeviceIdEditName(FDevice), "ID", Text("ID"));
    FIdEdit->setMinimumWidth(FIdEdit->fontMetrics().horizontalAdvance(QStringLiteral("D")) * 12 +
                             16);
    if (FDevice == 0) {
        int row = 1;
        for (const TTextFieldRow& design : EventLogFields()) {
            FEventEdits[static_cast<std::size_t>(row - 1)] =
                AddTextField(grid, row, design.Name, design.Label, Text(design.Spoken));
            ++row;
        }
    }
    grid->setRowStretch(grid->rowCount(), 1);
    return grid;
}

QLineEdit* TStatusPage::AddTextField(QGridLayout* grid, int row, const char* name,
                                     const char* label, const QString& spoken) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(Name(name));
    edit->setReadOnly(true); // the panel's figures, not an input
    edit->setAlignment(Qt::AlignRight);
    edit->setAccessibleName(spoken + QStringLiteral(", ") + DeviceName(FDevice));
    auto* caption = new QLabel(Text(label), this);
    caption->setBuddy(edit);
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

// The three untitled LED boxes, top to bottom, each LED with its caption beside it.
QBoxLayout* TStatusPage::BuildLedColumn() {
    auto* column = new QVBoxLayout;
    int groupNumber = 1;
    for (const TLedGroup& leds : LedGroups()) {
        auto* group = new TGroupBox(this);
        group->setObjectName(QStringLiteral("GroupBoxLed%1").arg(groupNumber++) +
                             (FDevice == 0 ? QString() : QStringLiteral("Sl%1").arg(FDevice)));
        auto* focus = new TFocusGroup(group); // one Tab stop, arrows within
        auto* grid = new QGridLayout(group);
        grid->setVerticalSpacing(4);
        int row = 0;
        for (int index : leds) {
            auto* shape = new TShape(group);
            shape->setObjectName(LedShapeName(FDevice, index));
            shape->SetTag(LedTag(FDevice, index));
            shape->SetBrushColor(LedColour(index));
            shape->SetCaption(Text(LedName(index)));
            focus->Add(shape);
            auto* caption = new QLabel(Text(LedName(index)), group);
            const bool shown = LedShownOnDevice(FDevice, index);
            shape->setVisible(shown);
            caption->setVisible(shown);
            caption->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
            grid->addWidget(shape, row, 0, Qt::AlignCenter);
            grid->addWidget(caption, row, 1);
            ++row;
            FLeds[static_cast<std::size_t>(index)] = shape;
        }
        grid->setColumnStretch(1, 1);
        column->addWidget(group, 1); // the boxes share the height alike
    }
    // "Sys. ready" on the master shows lit until the first LED tick draws it from the masks.
    if (FDevice == 0) {
        FLeds[0]->SetLit(true);
    }
    return column;
}

QString TStatusPage::Caption() const {
    return PageCaption(FDevice);
}

TNumberEdit* TStatusPage::NumberEdit(TMeasureField field) const {
    const auto it = FNumberEdits.find(field);
    return it == FNumberEdits.end() ? nullptr : it->second;
}

TRadioGroup* TStatusPage::RadioGroup(TStateField field) const {
    const auto it = FRadioGroups.find(field);
    return it == FRadioGroups.end() ? nullptr : it->second;
}

QCheckBox* TStatusPage::OutputBox(int bit) const {
    const auto it = FOutputBoxes.find(bit);
    return it == FOutputBoxes.end() ? nullptr : it->second;
}

TShape* TStatusPage::Led(int index) const {
    return index >= 0 && index < static_cast<int>(FLeds.size())
               ? FLeds[static_cast<std::size_t>(index)]
               : nullptr;
}

void TStatusPage::ShowDeviceId(const QString& idText) {
    FIdEdit->setText(idText);
}

void TStatusPage::ShowValue(TMeasureField field, uint16_t raw) {
    TNumberEdit* edit = NumberEdit(field);
    if (edit == nullptr) {
        throw ERangeError();
    }
    // Raw values are unsigned integers in fixed units; the division is done in floating point.
    edit->SetValue(static_cast<long double>(raw) /
                   static_cast<long double>(FindNumericField(field)->Divisor));
}

void TStatusPage::ShowStateCode(TStateField field, uint8_t code) {
    TRadioGroup* group = RadioGroup(field);
    if (group == nullptr) {
        throw ERangeError();
    }
    group->SetItemIndex(StateItemIndex(field, code));
}

void TStatusPage::ShowOutputs(uint16_t out) {
    for (const auto& [bit, box] : FOutputBoxes) {
        box->setChecked(((out >> bit) & 1u) != 0);
    }
}
