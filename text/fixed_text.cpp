// placeholder, replaced by the fixed-column text module
