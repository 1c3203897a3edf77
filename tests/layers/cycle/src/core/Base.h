// Below everything: allowed from anywhere.
