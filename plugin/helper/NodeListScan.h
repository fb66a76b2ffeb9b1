// The helper's scene scan before its records collect: which lights and other objects outside the reference
// name the reference's nodes in their node lists.
#pragma once

class OstrivansHelper;

// Offers every loaded node record of helper the lights whose include/exclude lists name its node
// (OfferCandidateLight) and the other objects whose own node list names it, with the position
// (OfferListingObject). Objects held by the reference's own nodes are skipped: the file keeps those lists.
// One pass over the scene's nodes and the lists' entries, with an index from node to record built once.
void OfferNodeListCandidates(OstrivansHelper& helper);
