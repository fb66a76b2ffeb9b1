s|/[^ "]*/file_errors/|@WORK@/|g
s|/[^ "]*/tests/e2e/|@DIR@/|g
