// CONFIG.INI as the monitor reads it for every row of the model table, then as the
// configuration window opens with it.
#include "FuzzPort.h"
#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/session/ModelTable.h"
#include "sim/ManualClock.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr char kStatus[] = "Model=%1\r\nSerNum=100001\r\nVersion=3.02\r\nMemSize=2048000\r\n"
                           "MemUsed=0\r\nMemErase=0\r\nRecordingState=0\r\n"
                           "Time=2024/03/05 14:07:09\r\nCodePageSize=256\r\nNumCodePages=4096\r\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    char buffer[1024] = {};
    const std::size_t take = std::min<std::size_t>(size, 512);
    std::memcpy(buffer, data, take);
    const int length = static_cast<int>(take);
    const ManualClock clock(1709647629, 0);
    for (int row = 0; row < kModelTableRows; ++row) {
        FuzzPort port;
        port.state.connected = true;
        const QByteArray status =
            QString::fromLatin1(kStatus).arg(ModelTableRow(row).ModelCode).toLatin1();
        port.state.status.ReadTexts(status.constData(), static_cast<int>(status.size()));
        port.state.status.ReadNumbers(status.constData(), static_cast<int>(status.size()));
        port.state.modelIndex = row;
        port.state.config.Read(buffer, length, row);
        ConfigurationModel model(port, clock);
        (void)model.Groups();
        (void)model.InputLowText();
        (void)model.InputHighText();
        (void)model.TotalText();
        (void)model.TcButton();
        (void)model.FilterIndex();
    }
    return 0;
}
