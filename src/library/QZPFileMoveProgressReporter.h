// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shows how far a batch of file moves that copies across file systems has come. The application shows
// a progress window; tests record the steps.
class QZPFileMoveProgressReporter {
public:
    virtual ~QZPFileMoveProgressReporter() = default;
    // `done` of `total` moves are over: 0 when the batch begins, `total` when the last one has ended.
    virtual void moveProgressChanged(int done, int total) = 0;
};
