#include "conversion/run/edif_refresh.h"

SystemErrorCode RefreshEdif(const std::string& path, const EdifRefresh& how) {
    if (path.empty()) return 0;
    // Only the last-write time, which the tools compare with the UCF's, is renewed: the
    // content is neither read nor written, so a large netlist costs nothing and one that the
    // synthesis tool is writing at this moment is not cut or padded.
    File edif;
    const FileOpening opening =
        how.createMissing ? FileOpening::ReadWriteAlways : FileOpening::ReadWriteExisting;
    if (!edif.Open(path, opening)) return edif.Error();
    SystemErrorCode error = 0;
    if (how.renewTime && !edif.SetLastWriteTimeToNow()) error = edif.Error();
    // The time is set on the handle: a close that fails can still lose it.
    if (!edif.Close() && error == 0) error = edif.Error();
    return error;
}
