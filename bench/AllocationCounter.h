#ifndef QXSCSI_BENCH_ALLOCATIONCOUNTER_H
#define QXSCSI_BENCH_ALLOCATIONCOUNTER_H

namespace bench {
extern unsigned long g_allocations;
}

#endif
