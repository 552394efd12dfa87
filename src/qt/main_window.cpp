#include "qt/main_window.h"

#include <functional>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QToolButton>

#include "qt/artwork.h"
#include "qt/fonts.h"
#include "qt/trend_chart.h"

namespace pm {
namespace {

QColor toQColor(Colour c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

ButtonIcon iconOf(const Button& button) {
    const std::string& n = button.name();
    if (n == "Command1")
        return ButtonIcon::Read;
    if (n == "Command2")
        return ButtonIcon::Save;
    if (n == "Command3")
        return ButtonIcon::Clear;
    if (n == "Command4")
        return ButtonIcon::Print;
    if (n == "Command6")
        return ButtonIcon::Help;
    return ButtonIcon::Close;
}

// The tab strip: a tab bar over a raised page; Frame1 and the grid lie on the page.
class TabStripWidget final : public QWidget {
  public:
    TabStripWidget(const TabStrip& model, QWidget* parent) : QWidget(parent) {
        bar = new QTabBar(this);
        bar->setFont(toQFont(model.font()));
        bar->setDrawBase(false);
        bar->setExpanding(false);
        for (const std::string& tab : model.tabs()) {
            bar->addTab(qs(tab));
        }
        page = new QFrame(this);
        page->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    }
    void resizeEvent(QResizeEvent*) override {
        const int barHeight = bar->sizeHint().height();
        bar->setGeometry(0, 0, width(), barHeight);
        page->setGeometry(0, barHeight - 1, width(), height() - barHeight + 1);
        page->lower();
    }
    QTabBar* bar = nullptr;
    QFrame* page = nullptr;
};

}  // namespace

QRect toPixels(Rect t) {
    return QRect(twipsToPixels(t.left), twipsToPixels(t.top), twipsToPixels(t.width),
                 twipsToPixels(t.height));
}

MainWindow::MainWindow(Form1& form, PlatformWidgets adopted, QWidget* parent)
    : QWidget(parent), form_(form), adopted_(adopted) {
    setWindowTitle(QString::fromUtf8(WindowModel::kTitle));
    setWindowIcon(windowIcon());
    setFixedSize(toPixels({0, 0, WindowModel::kClientWidth, WindowModel::kClientHeight}).size());
    build();
}

MainWindow::~MainWindow() {
    for (Control* control : form_.window().controls()) {
        control->setObserver(nullptr);
    }
}

QWidget* MainWindow::widgetFor(const Control& control) const {
    auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second;
}

QLabel* MainWindow::labelFor(const Label& label) const {
    return qobject_cast<QLabel*>(widgetFor(label));
}

QLabel* MainWindow::statusPanel(int index) const {
    if (index < 1 || index > static_cast<int>(statusPanels_.size())) {
        return nullptr;
    }
    return statusPanels_[static_cast<std::size_t>(index - 1)];
}

QWidget* MainWindow::parentWidgetFor(const Control& control) {
    if (control.parent() != nullptr) {
        return widgetFor(*control.parent());
    }
    return this;
}

void MainWindow::build() {
    for (Control* control : form_.window().controls()) {
        QWidget* widget = buildControl(*control);
        widget->setGeometry(toPixels(control->geometry()));
        widgets_[control] = widget;
        mirror(*control);
        control->setObserver(this);
    }
    // Frame1, Frame2 and the history table lie in front of the tab strip's page.
    widgetFor(form_.window().Frame1)->raise();
    widgetFor(form_.window().Frame2)->raise();
    widgetFor(form_.window().Frame3)->raise();
    widgetFor(form_.window().Frame4)->raise();
    if (adopted_.grid != nullptr) {
        adopted_.grid->setParent(this);
        adopted_.grid->raise();
    }

    // Keyboard focus follows the design's tab order.
    std::vector<QWidget*> focusOrder;
    std::vector<Control*> ordered = form_.window().controls();
    std::stable_sort(ordered.begin(), ordered.end(), [](const Control* a, const Control* b) {
        return a->tabIndex() < b->tabIndex();
    });
    QWidget* previous = nullptr;
    for (Control* control : ordered) {
        QWidget* widget = widgetFor(*control);
        if (widget->focusPolicy() == Qt::NoFocus) {
            continue;
        }
        if (previous != nullptr) {
            setTabOrder(previous, widget);
        }
        previous = widget;
    }
    if (previous != nullptr && adopted_.grid != nullptr) {
        setTabOrder(previous, adopted_.grid);  // last in the design's tab order
    }
    connectEvents();
}

QWidget* MainWindow::buildControl(Control& control) {
    QWidget* parent = parentWidgetFor(control);
    switch (control.kind()) {
        case ControlKind::Label: {
            const auto& model = static_cast<const Label&>(control);
            const Label::Style& style = model.style();
            auto* label = new QLabel(parent);
            label->setFont(toQFont(style.font));
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, toQColor(style.foreground));
            if (style.background) {
                palette.setColor(QPalette::Window, toQColor(*style.background));
                label->setAutoFillBackground(true);
            }
            label->setPalette(palette);
            label->setAlignment(style.align == Align::Centre ? Qt::AlignCenter
                                : style.wrap                 ? Qt::AlignLeft | Qt::AlignTop
                                                             : Qt::AlignLeft | Qt::AlignVCenter);
            label->setWordWrap(style.wrap);
            if (style.border) {
                label->setFrameStyle(style.background ? (QFrame::Panel | QFrame::Sunken)
                                                      : (QFrame::Box | QFrame::Plain));
            }
            return label;
        }
        case ControlKind::Button: {
            const auto& model = static_cast<const Button&>(control);
            auto* button = new QToolButton(parent);
            button->setText(qs(model.caption()));
            if (model.iconPixels() > 0) {
                button->setIcon(buttonIcon(iconOf(model), model.iconPixels()));
                button->setIconSize(QSize(model.iconPixels(), model.iconPixels()));
                button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            } else {
                button->setToolButtonStyle(Qt::ToolButtonTextOnly);
            }
            button->setFont(toQFont(songFont(10.5, false)));
            button->setFocusPolicy(Qt::StrongFocus);
            return button;
        }
        case ControlKind::TabStrip: {
            auto* strip = new TabStripWidget(static_cast<const TabStrip&>(control), parent);
            tabBar_ = strip->bar;
            return strip;
        }
        case ControlKind::StatusBar: {
            const auto& model = static_cast<const StatusBar&>(control);
            auto* bar = new QFrame(parent);
            bar->setFont(toQFont(model.font()));
            auto* layout = new QHBoxLayout(bar);
            layout->setContentsMargins(2, 3, 2, 2);
            layout->setSpacing(2);
            for (const StatusBar::Panel& panel : model.panels()) {
                auto* label = new QLabel(bar);
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                label->setFixedWidth(toPixels({0, 0, panel.width, 0}).width());
                label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                layout->addWidget(label);
                statusPanels_.push_back(label);
            }
            layout->addStretch(1);
            return bar;
        }
        case ControlKind::PictureBox: {
            auto* picture = new QLabel(parent);
            picture->setAlignment(Qt::AlignCenter);
            picture->setPixmap(emblemPixmap(78, 70));
            return picture;
        }
        case ControlKind::DrawingSurface: {
            QWidget* adopted =
                &control == &form_.window().Picture3 ? adopted_.picture3 : adopted_.picture2;
            if (adopted != nullptr) {
                adopted->setParent(parent);
                return adopted;
            }
            auto* surface = new QLabel(parent);
            QPalette palette = surface->palette();
            palette.setColor(QPalette::Window, Qt::black);
            surface->setPalette(palette);
            surface->setAutoFillBackground(true);
            return surface;
        }
        case ControlKind::OptionButton: {
            const auto& model = static_cast<const Choice&>(control);
            auto* option = new QRadioButton(qs(model.caption()), parent);
            option->setFont(toQFont(model.font()));
            QButtonGroup*& group = optionGroups_[model.name()];
            if (group == nullptr) {
                group = new QButtonGroup(this);
            }
            group->addButton(option);
            return option;
        }
        case ControlKind::CheckBox: {
            const auto& model = static_cast<const Choice&>(control);
            auto* box = new QCheckBox(qs(model.caption()), parent);
            box->setFont(toQFont(model.font()));
            return box;
        }
        case ControlKind::TextBox: {
            auto* edit = new QLineEdit(parent);
            edit->setFont(toQFont(static_cast<const TextBox&>(control).font()));
            return edit;
        }
        case ControlKind::Chart:
            return new TrendChartView(parent);
        case ControlKind::ListTable: {
            const auto& model = static_cast<const ListTable&>(control);
            auto* table = new QTableWidget(0, static_cast<int>(model.columns().size()), parent);
            QStringList headings;
            for (const std::string& column : model.columns()) {
                headings << qs(column);
            }
            table->setHorizontalHeaderLabels(headings);
            table->setFont(toQFont(model.font()));
            table->setSelectionBehavior(QAbstractItemView::SelectRows);
            table->setSelectionMode(QAbstractItemView::SingleSelection);
            table->setEditTriggers(QAbstractItemView::NoEditTriggers);
            table->verticalHeader()->setVisible(false);
            // The date column as wide as its dates, the others share the rest.
            table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
            table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
            return table;
        }
        case ControlKind::Container:
            return new QWidget(parent);
    }
    return new QWidget(parent);
}

void MainWindow::connectEvents() {
    WindowModel& w = form_.window();
    auto onClick = [this](const Button& button, auto handler) {
        connect(static_cast<QToolButton*>(widgetFor(button)), &QToolButton::clicked, this, handler);
    };
    onClick(w.Command1, [this] { form_.Command1_Click(); });
    onClick(w.Command2, [this] { form_.Command2_Click(); });
    onClick(w.Command4, [this] { form_.Command4_Click(); });
    onClick(w.Command3, [this] { form_.Command3_Click(); });
    onClick(w.Command5, [this] { form_.Command5_Click(); });
    onClick(w.Command6, [this] { form_.Command6_Click(); });
    onClick(w.Command7, [this] { form_.wiringPage().Command7_Click(); });
    onClick(w.Command8, [this] { form_.trendPage().Command8_Click(); });
    onClick(w.Command9, [this] { form_.trendPage().Command9_Click(); });
    connect(tabBar_, &QTabBar::currentChanged, this, [this](int index) {
        form_.window().TabStrip1.select(index + 1);
        form_.TabStrip1_Click();
    });

    // After each handler the widget shows what the model says, whatever the click did to it.
    // The handler goes in as a std::function: GCC 12 at -O2 takes a captured pointer to member
    // for one that may be used uninitialised.
    auto onOptions = [this](auto& group, std::function<void(int)> handler) {
        for (std::size_t k = 0; k < group.size(); ++k) {
            Choice* option = group[k];
            const int index = static_cast<int>(k);
            connect(static_cast<QRadioButton*>(widgetFor(*option)), &QRadioButton::clicked, this,
                    [this, option, index, handler] {
                        handler(index);
                        mirror(*option);
                    });
        }
    };
    onOptions(w.Option1, [this](int index) { form_.wiringPage().Option1_Click(index); });
    onOptions(w.Option2, [this](int index) { form_.wiringPage().Option2_Click(index); });
    onOptions(w.Option3, [this](int index) { form_.wiringPage().Option3_Click(index); });
    onOptions(w.Option4, [this](int index) { form_.wiringPage().Option4_Click(index); });
    onOptions(w.Option5, [this](int index) { form_.trendPage().Option5_Click(index); });
    for (std::size_t k = 0; k < w.Check2.size(); ++k) {
        Choice* check = w.Check2[k];
        const int index = static_cast<int>(k);
        connect(static_cast<QCheckBox*>(widgetFor(*check)), &QCheckBox::clicked, this,
                [this, check, index](bool checked) {
                    check->setValue(checked);
                    form_.trendPage().Check2_Click(index);
                    mirror(*check);
                });
    }
    connectArchivePage();
    connect(static_cast<QCheckBox*>(widgetFor(*w.Check1)), &QCheckBox::clicked, this,
            [this](bool checked) {
                Choice& check = *form_.window().Check1;
                check.setValue(checked);
                form_.wiringPage().Check1_Click();
                mirror(check);
            });
    for (std::size_t k = 0; k < w.Text1.size(); ++k) {
        TextBox* box = w.Text1[k];
        const int index = static_cast<int>(k);
        connect(static_cast<QLineEdit*>(widgetFor(*box)), &QLineEdit::textEdited, this,
                [this, box, index](const QString& text) {
                    box->setText(text.toStdString());
                    form_.wiringPage().Text1_Change(index);
                });
    }
}

void MainWindow::connectArchivePage() {
    WindowModel& w = form_.window();
    ArchivePage& page = form_.archivePage();
    auto onClick = [this](const Button* button, std::function<void()> handler) {
        connect(static_cast<QToolButton*>(widgetFor(*button)), &QToolButton::clicked, this,
                [handler] { handler(); });
    };
    onClick(w.Command10, [&page] { page.Command10_Click(); });
    onClick(w.Command11, [&page] { page.Command11_Click(); });
    onClick(w.Command12, [&page] { page.Command12_Click(); });
    onClick(w.Command13, [&page] { page.Command13_Click(); });
    onClick(w.Command14, [&page] { page.Command14_Click(); });
    onClick(w.Command15, [&page] { page.Command15_Click(); });
    onClick(w.Command16, [&page] { page.Command16_Click(); });
    onClick(w.Command17, [&page] { page.Command17_Click(); });
    onClick(w.Command20, [&page] { page.Command20_Click(); });
    onClick(w.Command18, [this] { form_.wiringPage().Command18_Click(); });
    onClick(w.Command19, [this] { form_.wiringPage().Command19_Click(); });
    auto onPick = [this](ListTable* list, std::function<void(int)> handler) {
        connect(static_cast<QTableWidget*>(widgetFor(*list)), &QTableWidget::cellClicked, this,
                [handler](int row, int) { handler(row); });
    };
    onPick(w.siteList, [&page](int row) { page.siteList_Click(row); });
    onPick(w.downloadList, [&page](int row) { page.downloadList_Click(row); });
    onPick(w.inspectionList, [&page](int row) { page.inspectionList_Click(row); });
    // A double-click opens what it points at.
    connect(static_cast<QTableWidget*>(widgetFor(*w.downloadList)),
            &QTableWidget::cellDoubleClicked, this, [&page](int row, int) {
                page.downloadList_Click(row);
                page.Command14_Click();
            });
    connect(static_cast<QTableWidget*>(widgetFor(*w.inspectionList)),
            &QTableWidget::cellDoubleClicked, this, [&page](int row, int) {
                page.inspectionList_Click(row);
                page.Command16_Click();
            });
    connect(static_cast<QLineEdit*>(widgetFor(*w.siteSearch)), &QLineEdit::textEdited, this,
            [this, &page](const QString& text) {
                form_.window().siteSearch->setText(text.toStdString());
                page.siteSearch_Change();
            });
    for (TextBox* box : std::array{w.inspector, w.inspectionNote}) {
        connect(static_cast<QLineEdit*>(widgetFor(*box)), &QLineEdit::textEdited, this,
                [box](const QString& text) { box->setText(text.toStdString()); });
    }
    for (TextBox* box : w.siteField) {
        connect(static_cast<QLineEdit*>(widgetFor(*box)), &QLineEdit::textEdited, this,
                [box](const QString& text) { box->setText(text.toStdString()); });
    }
    for (std::size_t k = 0; k < w.Option6.size(); ++k) {
        Choice* option = w.Option6[k];
        const int index = static_cast<int>(k);
        connect(static_cast<QRadioButton*>(widgetFor(*option)), &QRadioButton::clicked, this,
                [this, &page, option, index] {
                    page.Option6_Click(index);
                    mirror(*option);
                });
    }
}

void MainWindow::controlChanged(const Control& control) {
    mirror(control);
}

void MainWindow::mirror(const Control& control) {
    QWidget* widget = widgetFor(control);
    if (widget == nullptr) {
        return;
    }
    switch (control.kind()) {
        case ControlKind::Label:
            static_cast<QLabel*>(widget)->setText(qs(static_cast<const Label&>(control).caption()));
            break;
        case ControlKind::OptionButton:
        case ControlKind::CheckBox: {
            auto* button = static_cast<QAbstractButton*>(widget);
            const QSignalBlocker block(button);
            button->setChecked(static_cast<const Choice&>(control).value());
            break;
        }
        case ControlKind::TextBox: {
            auto* edit = static_cast<QLineEdit*>(widget);
            const QString text = qs(static_cast<const TextBox&>(control).text());
            // Setting the text it already shows would move the cursor of someone typing.
            if (edit->text() != text) {
                edit->setText(text);
            }
            break;
        }
        case ControlKind::TabStrip: {
            const QSignalBlocker block(tabBar_);
            tabBar_->setCurrentIndex(static_cast<const TabStrip&>(control).selectedIndex() - 1);
            break;
        }
        case ControlKind::Chart:
            static_cast<TrendChartView*>(widget)->mirror(static_cast<const Chart&>(control));
            break;
        case ControlKind::ListTable: {
            auto* table = static_cast<QTableWidget*>(widget);
            const auto& model = static_cast<const ListTable&>(control);
            const QSignalBlocker block(table);
            const int rows = static_cast<int>(model.rows().size());
            bool same = table->rowCount() == rows;
            for (int r = 0; same && r < rows; ++r) {
                const auto& row = model.rows()[static_cast<std::size_t>(r)];
                for (int c = 0; same && c < static_cast<int>(row.size()); ++c) {
                    const QTableWidgetItem* item = table->item(r, c);
                    same = item != nullptr && item->text() == qs(row[static_cast<std::size_t>(c)]);
                }
            }
            if (!same) {
                table->setRowCount(rows);
                for (int r = 0; r < rows; ++r) {
                    const auto& row = model.rows()[static_cast<std::size_t>(r)];
                    for (int c = 0; c < static_cast<int>(row.size()); ++c) {
                        table->setItem(r, c,
                                       new QTableWidgetItem(qs(row[static_cast<std::size_t>(c)])));
                    }
                }
            }
            if (model.selectedRow() < 0) {
                table->clearSelection();
            } else {
                table->selectRow(model.selectedRow());
            }
            break;
        }
        case ControlKind::StatusBar: {
            const auto& bar = static_cast<const StatusBar&>(control);
            for (std::size_t k = 0; k < statusPanels_.size(); ++k) {
                statusPanels_[k]->setText(qs(bar.panelText(static_cast<int>(k) + 1)));
            }
            break;
        }
        default:
            break;
    }
    if (widget->geometry() != toPixels(control.geometry())) {
        widget->setGeometry(toPixels(control.geometry()));
    }
    widget->setEnabled(control.enabled());
    widget->setVisible(control.visible());
}

}  // namespace pm
