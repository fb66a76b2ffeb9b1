// Keeps the test support library non-empty before any shared fixture exists.
