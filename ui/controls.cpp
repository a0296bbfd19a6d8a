#include "ui/controls.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include "feed/feed_request.h"
#include "state/viewer_state.h"
#include "ui/commands.h"
#include "ui/drop_down_list.h"
#include "ui/window_resources.h"

namespace nubivo {
namespace {

// The closed height of a drop-down list, and its height with the list dropped below it,
// which shows about seven rows.
constexpr int comboHeight = 21;
constexpr int droppedComboHeight = 160;
constexpr int droppedRows = 7;

class ByteLengthValidator : public QValidator {
  public:
    using QValidator::QValidator;

    // Input that would take the text past maxLocationBytes of UTF-8 is refused as it is typed
    // or pasted, so the text is never cut later.
    State validate(QString& input, int& /*position*/) const override {
        return static_cast<size_t>(input.toUtf8().size()) <= maxLocationBytes ? Acceptable
                                                                              : Invalid;
    }
};

template <typename Control>
Control* place(Control* control, int x, int y, int width, int height) {
    control->setGeometry(x, y, width, height);
    control->setFont(windowResources.controlFont);
    control->setFocusPolicy(Qt::ClickFocus);
    return control;
}

QComboBox* makeCombo(QWidget* parent, int y, int droppedWidth) {
    auto* combo = place(new DropDownList(parent, droppedWidth, droppedComboHeight, droppedRows), 70,
                        y, 140, comboHeight);
    combo->view()->setFont(windowResources.controlFont);
    return combo;
}

}  // namespace

void createControls() {
    WindowResources& w = windowResources;
    QWidget* parent = w.mainWindow;

    w.locationEdit = place(new QLineEdit(parent), 170, 40, 100, 20);
    w.locationEdit->setAlignment(Qt::AlignCenter);
    w.locationEdit->setMaxLength(static_cast<int>(maxLocationBytes));
    w.locationEdit->setValidator(new ByteLengthValidator(w.locationEdit));

    w.updateButton = place(new QPushButton(QStringLiteral("Update..."), parent), 250, 90, 78, 20);

    w.celsiusRadio = place(new QRadioButton(QStringLiteral("C"), parent), 280, 65, 40, 20);
    w.celsiusRadio->setChecked(true);
    w.fahrenheitRadio = place(new QRadioButton(QStringLiteral("F"), parent), 320, 65, 40, 20);
    auto* units = new QButtonGroup(parent);
    units->setExclusive(true);
    units->addButton(w.celsiusRadio);
    units->addButton(w.fahrenheitRadio);

    w.regionCombo = makeCombo(parent, 64, 100);
    for (const char* label : regionLabels) {
        w.regionCombo->addItem(QString::fromLatin1(label));
    }
    w.regionCombo->setCurrentIndex(-1);

    w.countryCombo = makeCombo(parent, 92, 200);
    w.cityCombo = makeCombo(parent, 120, 200);

    w.semitransparentCheck =
        place(new QCheckBox(QStringLiteral("Semitransparent"), parent), 10, 543, 120, 20);
    w.exitButton = place(new QPushButton(QStringLiteral("Exit"), parent), 270, 543, 80, 20);
    w.aboutButton = place(new QPushButton(QStringLiteral("About..."), parent), 190, 543, 80, 20);

    // No button is a default button: Enter in the location box starts nothing.
    for (QPushButton* button : {w.updateButton, w.exitButton, w.aboutButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    QObject::connect(w.updateButton, &QPushButton::clicked, [] { onUpdateClicked(); });
    QObject::connect(w.regionCombo, &QComboBox::activated, [] { onRegionChosen(); });
    QObject::connect(w.countryCombo, &QComboBox::activated, [] { onCountryChosen(); });
    QObject::connect(w.cityCombo, &QComboBox::activated, [] { onCityChosen(); });
    QObject::connect(w.semitransparentCheck, &QCheckBox::toggled,
                     [] { onSemitransparentToggled(); });
    QObject::connect(w.exitButton, &QPushButton::clicked, [] { onExitClicked(); });
    QObject::connect(w.aboutButton, &QPushButton::clicked, [] { onAboutClicked(); });
}

}  // namespace nubivo
