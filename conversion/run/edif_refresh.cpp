#include "conversion/run/edif_refresh.h"

void RefreshEdif(const std::string& path) {
    // Only the last-write time, which the tools compare with the UCF's, is renewed: the
    // content is neither read nor written, so a large netlist costs nothing and one that the
    // synthesis tool is writing at this moment is not cut or padded.
    File edif;
    if (!edif.Open(path, FileOpening::ReadWriteAlways)) return;
    edif.SetLastWriteTimeToNow();
    edif.Close();
}
