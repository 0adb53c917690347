#include "tavik_window.h"

#include <QComboBox>
#include <QLabel>
#include <QTimer>

#include "colours.h"
#include "fonts.h"
#include "widget_text.h"

namespace tavik {

namespace {
constexpr int ClientWidth = 747;
constexpr int ClientHeight = 415;
constexpr int WindowLeft = 100;
constexpr int WindowTop = 100;

char SeparatorOf(const QLocale& locale) {
    const QString point = locale.decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}

std::function<void(bool)> ShowTitleBound(QLabel* title) {
    return [title](bool bound) { SetTextColour(title, bound ? colours::Green : colours::Red); };
}

std::function<void(bool)> SwitchTimer(QTimer* timer) {
    return [timer](bool on) { on ? timer->start() : timer->stop(); };
}
}  // namespace

TTavik::TTavik(THidPlatform& platform, TTavikOptions options)
    : QWidget(nullptr,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                  Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      Options_(std::move(options)),
      Separator_(SeparatorOf(Options_.Locale)),
      Instruments(Separator_) {
    InstallFontSubstitutes();
    Instruments.Logger.Clock = Options_.Clock;

    setObjectName(QStringLiteral("Tavik"));
    setWindowTitle(ProgramTitle);
    setFont(WindowFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Midlight));
    setPalette(palette);
    setAutoFillBackground(true);
    setFixedSize(ClientWidth, ClientHeight);
    move(WindowLeft, WindowTop);

    BuildLayout();
    SetTabOrder();

    VXLogger_MainTimer = new QTimer(this);
    VXLogger_MainTimer->setInterval(50);
    VXFrequencyMeter_Timer = new QTimer(this);
    VXFrequencyMeter_Timer->setInterval(250);
    VXLogger_ValueTimer = new QTimer(this);
    VXLogger_ValueTimer->setInterval(500);

    HIDController = new THidDeviceController(platform, EventLoop_);
    HIDController->OnArrival = [this](THidDevice& device) { Guarded("OnUSBConnect", [&] { OnUSBConnect(device); }); };
    HIDController->OnRemoval = [this](THidDevice& device) {
        Guarded("OnUSBDisconnect", [&] { OnUSBDisconnect(device); });
    };
    Instruments.SetFrontEnd(TInstrumentKind::Logger, ShowTitleBound(VXLogger_Label), SwitchTimer(VXLogger_MainTimer));
    Instruments.SetFrontEnd(TInstrumentKind::Generator, ShowTitleBound(VXGenerator_Label), nullptr);
    Instruments.SetFrontEnd(TInstrumentKind::FrequencyMeter, ShowTitleBound(VXFrequencyMeter_Label),
                            SwitchTimer(VXFrequencyMeter_Timer));

    // The layout's texts are in place before any handler is bound, so creating
    // the window raises none.
    BindEvents();
    VXLogger_ValueTimer->start();
    FormCreate();
}

TTavik::~TTavik() {
    FormDestroy();
    VXLogger_MainTimer->stop();
    VXFrequencyMeter_Timer->stop();
    VXLogger_ValueTimer->stop();
    // The controller releases its devices without announcing their removal.
    delete HIDController;
    HIDController = nullptr;
}

// ---- Start-up and shutdown ----

void TTavik::FormCreate() {
    Instruments.Generator.BuildTables();
    auto fill = [](QComboBox* box, const generator::TFreqTable& table, std::size_t count) {
        QStringList labels;
        for (std::size_t i = 0; i < count; ++i) labels << Utf8(table[i].Text);
        box->addItems(labels);
        box->setCurrentIndex(0);
    };
    fill(VXGenerator_OUT1Freq, *Instruments.Generator.OUT1FreqTable, Instruments.Generator.OUT1Count());
    fill(VXGenerator_OUT2Freq, *Instruments.Generator.OUT2FreqTable, Instruments.Generator.OUT2Count());
    Instruments.Logger.Acquisition.ClearHistory();
    VXLogger_LevelEdit_Change(VXLogger_LevelEdit_CH1);
    VXLogger_LevelEdit_Change(VXLogger_LevelEdit_CH2);
}

void TTavik::FormDestroy() { Instruments.Logger.StopRecording(); }

// ---- Instrument binding ----

void TTavik::OnUSBConnect(THidDevice& device) { Instruments.Binding.OnUSBConnect(device); }

void TTavik::OnUSBDisconnect(THidDevice& device) { Instruments.Binding.OnUSBDisconnect(device); }

}  // namespace tavik
