#include "panel_sim/status_image.h"

#include "panel_sim/indicators.h"
#include "panel_sim/wire_bytes.h"

#include <algorithm>

namespace panel_sim {

namespace {

void PutValues(uint8_t* p, const TUnit& unit) {
    for (int v = 0; v < ValueCount; ++v) {
        PutLe16(p + 2 * v, unit.Values[v]);
    }
}

void WriteMaster(uint8_t* p, const TInstallation& inst, const TEventRing& ring) {
    const TUnit& master = inst.Unit(0);
    TIndicators ind = MasterIndicators(inst);
    PutLe48(p + 0, master.Id);
    PutLe16(p + 6, ring.Start());
    PutLe16(p + 8, ring.End());
    PutLe16(p + 10, ring.Capacity());
    PutValues(p + 12, master); // VA at 12 to P at 40
    p[42] = master.Lines[0];
    p[43] = master.Lines[1];
    p[44] = master.Lines[2];
    p[45] = static_cast<uint8_t>((1u << inst.Slaves()) - 1u);
    PutLe32(p + 46, ind.Led0);
    PutLe32(p + 50, ind.Led1);
    PutLe16(p + 54, ind.Out);
    p[56] = ind.stHas;
    p[57] = ind.stBat;
    p[58] = ind.stV1;
    p[59] = ind.stSir;
    p[60] = ind.stPro;
    PutLe16(p + 61, inst.TimTenths());
}

void WriteSlave(uint8_t* p, const TInstallation& inst, int k) {
    const TUnit& slave = inst.Unit(k);
    TIndicators ind = SlaveIndicators(inst, k);
    PutLe48(p + 0, slave.Id);
    PutValues(p + 6, slave); // VA at 6 to P at 34
    p[37] = slave.CMer;
    p[38] = slave.Lines[0];
    p[39] = slave.Lines[1];
    p[40] = slave.Lines[2];
    PutLe32(p + 41, ind.Led0);
    PutLe32(p + 45, ind.Led1);
    p[49] = static_cast<uint8_t>(ind.Out);
    p[51] = ind.stBat;
    p[52] = ind.stV1;
}

} // namespace

TStatusRecordBytes TStatusImage::Build(const TInstallation& inst, const TEventRing& ring) {
    TStatusRecordBytes record{};
    WriteMaster(record.data(), inst, ring);
    for (int k = 1; k <= inst.Slaves(); ++k) {
        auto& last = FLastSlaveBlock[static_cast<std::size_t>(k - 1)];
        uint8_t* block = record.data() + SlaveBlockOffset(k);
        if (inst.Unit(k).CommFault && last) {
            std::copy(last->begin(), last->end(), block);
            continue;
        }
        WriteSlave(block, inst, k);
        last.emplace();
        std::copy(block, block + SlaveBlockSize, last->begin());
    }
    return record;
}

} // namespace panel_sim
