#pragma once
// The memory the images being worked on may take together. Before a source
// is decoded, its worker reserves what the decode, the scaled output and the
// encode will need (RenderFootprint); a reservation that does not fit beside
// the others waits until they are done, and one that would not fit even
// alone is refused, so that the file is reported as too large for the
// memory there is instead of taking the run down with it.
//
// One budget serves the whole process (DecodeBudget): the batch save's
// workers, its own thread and the preview draw on it alike.

#include <condition_variable>
#include <cstdint>
#include <mutex>

class cMemoryBudget {
  public:
    // Holds lBytes of the budget until it is destroyed; an empty one holds none.
    class cReservation {
      public:
        cReservation() = default;
        ~cReservation();
        cReservation(cReservation&& other) noexcept;
        cReservation& operator=(cReservation&& other) noexcept;
        cReservation(const cReservation&) = delete;
        cReservation& operator=(const cReservation&) = delete;

      private:
        friend class cMemoryBudget;
        cReservation(cMemoryBudget* budget, uint64_t lBytes) : mBudget(budget), mBytes(lBytes) {}
        cMemoryBudget* mBudget = nullptr;
        uint64_t mBytes = 0;
    };

    explicit cMemoryBudget(uint64_t lTotalBytes) : mTotal(lTotalBytes) {}
    cMemoryBudget(const cMemoryBudget&) = delete;
    cMemoryBudget& operator=(const cMemoryBudget&) = delete;

    // Reserves lBytes, waiting while other reservations leave too little;
    // false (nothing reserved) when lBytes is more than the whole budget.
    bool Reserve(uint64_t lBytes, cReservation& reservation);

  private:
    void Release(uint64_t lBytes);

    const uint64_t mTotal;
    std::mutex mMutex;              // guards mInUse
    std::condition_variable mFreed; // signalled when a reservation ends
    uint64_t mInUse = 0;
};

// The process's budget: three quarters of the memory the system says is
// available when it is first asked for, or of what the address-space limit
// leaves, whichever is less.
cMemoryBudget& DecodeBudget();

// Bytes one image takes on its way through the pipeline: a source decoded at
// lDecodedWidth x lDecodedHeight and an output of lOutputWidth x
// lOutputHeight, each at up to 4 bytes a pixel, three times over (the
// decoding library's own copy, our raster and a converted or turned copy;
// the output, the resampler's intermediate rows and the encoder's copy).
uint64_t RenderFootprint(uint64_t lDecodedWidth, uint64_t lDecodedHeight, uint64_t lOutputWidth,
                         uint64_t lOutputHeight);
