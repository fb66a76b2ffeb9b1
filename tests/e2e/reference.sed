s/ - -?[0-9]+$/ - <address>/
