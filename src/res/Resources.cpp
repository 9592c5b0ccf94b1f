// filled in by the resource tables
