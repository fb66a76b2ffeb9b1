s#"/[^"]*/data/#"WORK/data/#g
