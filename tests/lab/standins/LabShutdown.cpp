// The lab's shutdown: a restart request is recorded, nothing is shut down.
// The lab then "restarts" the machine itself (ends the Wine session and runs
// the log-on start).
#include "LabRecord.h"

int main(int argc, char** argv) {
    lab::RecordCall("shutdown", argc, argv);
    return 0;
}
