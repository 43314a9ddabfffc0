// (filled in by the random-stream work)
